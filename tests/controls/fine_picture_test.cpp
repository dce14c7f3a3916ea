#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "controls/bitmap_font_static.h"
#include "controls/kvn_bitmap_button.h"
#include "controls/trans_bitmap.h"
#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "test_panel.h"

namespace {

constexpr int Ratio = 2;

// The panel's read-out colours, and the colours the fonts are stored in.
constexpr QRgb ReadoutBackground = qRgb(0, 0, 0);
constexpr QRgb ReadoutLit = qRgb(239, 243, 245);
constexpr QRgb ReadoutUnlit = qRgb(23, 64, 103);
constexpr QRgb FontLit = qRgb(63, 181, 255);

QImage FinePicture(unsigned int number)
{
    return QImage(SkinResources::BitmapPath(static_cast<int>(number), Ratio))
        .convertToFormat(QImage::Format_RGB32);
}

// What a control on the panel shows at the ratio, in device pixels.
QImage RenderedAtRatio(QWidget& control)
{
    QImage shown(control.size() * Ratio, QImage::Format_RGB32);
    shown.setDevicePixelRatio(Ratio);
    control.render(&shown);
    shown.setDevicePixelRatio(1);
    return shown;
}

struct FineCase
{
    const char* name;
    std::function<std::unique_ptr<QWidget>(QWidget& panel)> make;
    // The device pixels expected, from the committed fine pictures.
    std::function<QImage()> expected;
};

// A button copies its fine picture whole.
std::unique_ptr<QWidget> HelpButton(QWidget& panel)
{
    auto button = std::make_unique<CKVNBitmapButton>(&panel);
    button->LoadBitmaps(BitmapId::HelpUp, BitmapId::HelpDown);
    return button;
}

// The lamp's fine mask lets the panel through around the ball.
std::unique_ptr<QWidget> Lamp(QWidget& panel)
{
    auto lamp = std::make_unique<CTransBitmap>(&panel);
    lamp->SetBitmap(BitmapId::LampOn);
    return lamp;
}

QImage LampOnPanel()
{
    QImage expected = FinePicture(BitmapId::LampOn);
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (expected.pixel(x, y) == qRgb(255, 0, 255))
                expected.setPixel(x, y, PanelColour);
        }
    }
    return expected;
}

// A read-out of one cell showing a full block: every dot of the fine small font lit, in
// the read-out's colours, the gaps between the dots in its background.
std::unique_ptr<QWidget> Readout(QWidget& panel)
{
    auto readout = std::make_unique<CBitmapFontStatic>(&panel);
    readout->SetColors(ReadoutBackground, ReadoutLit, ReadoutUnlit);
    readout->SetLines(1);
    readout->SetColumns(1);
    readout->SetFontSize(2);
    readout->SetText("\x7f");
    return readout;
}

QImage BlockInReadoutColours()
{
    constexpr int BlockCell = 127 - 32;
    constexpr QSize Cell(2 * 11, 2 * 15);
    const QImage font = FinePicture(BitmapId::SmallFont);
    QImage expected = font.copy(
        QRect(QPoint(BlockCell % 32 * Cell.width(), BlockCell / 32 * Cell.height()), Cell));
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x)
            expected.setPixel(x, y,
                              expected.pixel(x, y) == FontLit ? ReadoutLit : ReadoutBackground);
    }
    return expected;
}

const FineCase Cases[] = {
    {"Button", HelpButton, [] { return FinePicture(BitmapId::HelpUp); }},
    {"KeyedLamp", Lamp, LampOnPanel},
    {"Readout", Readout, BlockInReadoutColours},
};

class FinePictureTest : public testing::TestWithParam<FineCase>
{
protected:
    FinePictureTest() { SkinResources::InstallSearchPath(); }

    TestPanel panel;
};

TEST_P(FinePictureTest, ControlAtRatioTwoShowsItsFinePicture)
{
    const std::unique_ptr<QWidget> control = GetParam().make(panel);
    panel.Show();
    const QImage expected = GetParam().expected();
    ASSERT_EQ(control->size() * Ratio, expected.size());
    EXPECT_EQ(RenderedAtRatio(*control), expected);
}

INSTANTIATE_TEST_SUITE_P(Skin, FinePictureTest, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<FineCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
