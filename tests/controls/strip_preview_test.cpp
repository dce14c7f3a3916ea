#include "controls/bitmap_font_static.h"
#include "controls/bitmap_knob.h"
#include "controls/bitmap_slider.h"
#include "controls/kvn_bitmap_button.h"
#include "controls/trans_bitmap.h"
#include "model/strip_settings.h"
#include "panel/control_layout.h"
#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"
#include "tests/controls/test_panel.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The unlit key of each filter type in FilterType order, with the second type shown lit.
constexpr unsigned int FilterPictures[] = {BitmapId::BandKey,  BitmapId::FlatKeySelected,
                                           BitmapId::HighKey,  BitmapId::LowKey,
                                           BitmapId::NotchKey, BitmapId::ToneKey};
// In CBitmapKnob::Part order.
constexpr unsigned int KnobPictures[] = {BitmapId::KnobBody, BitmapId::KnobCap, BitmapId::KnobDot};

// The first strip and the master strip of real controls over the real background, at the
// places the layout table gives them: what the window will show, without the window.
class StripPreview : public QWidget
{
public:
    StripPreview()
    {
        background.Load(BitmapId::Background);
        setFixedSize(WindowWidth, WindowHeight);
        for (const ControlEntry& entry : MainWindowLayout()) {
            if (entry.strip == 0 || entry.strip == MasterStrip || entry.strip == -1)
                Create(entry);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        background.GetSize(width, height);
        background.Draw(painter, 0, 0);
    }

private:
    template <typename Control>
    Control* Place(const ControlEntry& entry)
    {
        auto* control = new Control(this);
        const PixelRect at = ToPixels(entry.rect);
        control->setGeometry(at.x, at.y, at.width, at.height);
        return control;
    }

    void Create(const ControlEntry& entry)
    {
        switch (entry.kind) {
        case ControlClass::Knob: {
            auto* knob = Place<CBitmapKnob>(entry);
            for (int part = 0; part < CBitmapKnob::PartCount; ++part)
                knob->SetBitmap(KnobPictures[part], part);
            knob->SetValue(entry.role == ControlRole::FrequencyKnob ? 75.0 : 50.0);
            break;
        }
        case ControlClass::Slider: {
            auto* fader = Place<CBitmapSlider>(entry);
            fader->SetBitmap(BitmapId::FaderChannel, CBitmapSlider::Channel);
            fader->SetBitmap(BitmapId::FaderThumb, CBitmapSlider::Thumb);
            fader->SetValue(entry.strip == MasterStrip ? 90.0 : 40.0);
            break;
        }
        case ControlClass::Button:
            Place<CKVNBitmapButton>(entry)->LoadBitmaps(ButtonPicture(entry));
            break;
        case ControlClass::TransBitmap:
            Place<CTransBitmap>(entry)->SetBitmap(BitmapId::LampOn);
            break;
        case ControlClass::FontStatic:
            CreateReadout(entry);
            break;
        case ControlClass::DragArea:
            break;
        }
    }

    void CreateReadout(const ControlEntry& entry)
    {
        auto* readout = Place<CBitmapFontStatic>(entry);
        readout->SetFontSize(2);
        readout->SetColors(Qt::black, QColor(239, 243, 245), QColor(40, 40, 40));
        if (entry.role == ControlRole::FrequencyReadout) {
            readout->SetLines(5);
            readout->SetColumns(1);
            readout->SetText(" \r\n1\r\n0\r\n0\r\n0");
        } else if (entry.role == ControlRole::GainReadout) {
            readout->SetLines(1);
            readout->SetColumns(3);
            readout->SetText("4.0");
        } else {
            readout->SetLines(1);
            readout->SetColumns(59);
            readout->SetText("Welcome! Click '?' button or press F1 for help.");
        }
    }

    static unsigned int ButtonPicture(const ControlEntry& entry)
    {
        switch (entry.role) {
        case ControlRole::FilterButton:
            return FilterPictures[entry.filterType];
        case ControlRole::FrequencyLock:
        case ControlRole::QLock:
        case ControlRole::GainLock:
            return BitmapId::LockUnlit;
        case ControlRole::HelpButton:
            return BitmapId::HelpUp;
        case ControlRole::LoadButton:
            return BitmapId::LoadUp;
        case ControlRole::SaveButton:
            return BitmapId::SaveUp;
        case ControlRole::ConfigureButton:
            return BitmapId::ConfigureUp;
        case ControlRole::ModeButton:
            return BitmapId::ConnectUp;
        case ControlRole::TransferButton:
            return BitmapId::DownloadUp;
        case ControlRole::RetrieveButton:
            return BitmapId::RetrieveUp;
        case ControlRole::MinimizeButton:
            return BitmapId::MinimizeUp;
        default:
            return BitmapId::ExitUp;
        }
    }

    CMaskedBitmap background;
    int width = 0;
    int height = 0;
};

TEST(StripPreview, RealControlsOverTheBackgroundShowNoKeyColour)
{
    SkinResources::InstallSearchPath();
    StripPreview preview;
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    const QImage shown = Grab(preview);
    shown.save(QStringLiteral("strip_preview.png"), "PNG");

    EXPECT_TRUE(BoundsOf(shown, CMaskedBitmap::Magenta).isEmpty());
    // Every control drew something of its own over the background it sits on.
    QImage backgroundOnly(SkinResources::BitmapPath(BitmapId::Background));
    backgroundOnly = backgroundOnly.convertToFormat(QImage::Format_RGB32);
    for (QWidget* control : preview.findChildren<QWidget*>()) {
        const QRect area = control->geometry();
        EXPECT_NE(shown.copy(area), backgroundOnly.copy(area))
            << control->metaObject()->className() << " at " << area.x() << "," << area.y();
    }
}

} // namespace
