#include <QTest>
#include <gtest/gtest.h>
#include <string>

#include "bench/paint_counter.h"
#include "controls/bitmap_font_static.h"
#include "resources/bitmap_ids.h"
#include "skin_folder.h"
#include "test_panel.h"

namespace {

struct Colours
{
    QRgb background;
    QRgb lit;
    QRgb unlit;
};

// The colours the fonts are drawn in, and the panel's colours for its read-outs.
constexpr Colours FontColours{qRgb(0, 0, 0), qRgb(63, 181, 255), qRgb(23, 64, 103)};
constexpr Colours PanelColours{qRgb(0, 0, 0), qRgb(239, 243, 245), qRgb(23, 64, 103)};

struct Font
{
    unsigned int id;
    QSize glyph;
    QSize gap;

    QSize Cell() const { return glyph + gap; }
};

constexpr Font Medium{BitmapId::MediumFont, {14, 20}, {2, 2}};
constexpr Font Small{BitmapId::SmallFont, {10, 14}, {1, 1}};
constexpr Font Large{BitmapId::LargeFont, {19, 27}, {3, 3}};

// Character c's cell: unlit dots with the bits of c - 32 lit along the top row, gaps in the
// background colour; the space is all unlit.
QImage Cell(const Font& font, unsigned char c, const Colours& colours)
{
    QImage cell(font.Cell(), QImage::Format_RGB32);
    cell.fill(colours.background);
    for (int y = 0; y < font.glyph.height(); ++y) {
        for (int x = 0; x < font.glyph.width(); ++x) {
            const bool lit = y == 0 && x < 7 && ((c - 32) >> x & 1);
            cell.setPixel(x, y, lit ? colours.lit : colours.unlit);
        }
    }
    return cell;
}

// A 16-colour-style font: characters 32 to 127, 32 cells a row, three rows.
QImage FontPicture(const Font& font)
{
    QImage picture(font.Cell().width() * 32, font.Cell().height() * 3, QImage::Format_Indexed8);
    picture.setColorTable({FontColours.background, FontColours.lit, FontColours.unlit});
    for (int c = 32; c < 128; ++c) {
        const QImage cell = Cell(font, c, FontColours);
        const QPoint origin((c - 32) % 32 * cell.width(), (c - 32) / 32 * cell.height());
        for (int y = 0; y < cell.height(); ++y) {
            for (int x = 0; x < cell.width(); ++x) {
                const int index = picture.colorTable().indexOf(cell.pixel(x, y));
                picture.setPixel(origin + QPoint(x, y), index);
            }
        }
    }
    return picture;
}

class FontStaticTest : public testing::Test
{
protected:
    FontStaticTest()
    {
        for (const Font& font : {Medium, Small, Large})
            skin.Write(font.id, FontPicture(font));
        display.setGeometry(10, 20, 12, 13);
        panel.Show();
    }

    void Configure(int lines, int columns, const Colours& colours = PanelColours, int size = 2)
    {
        display.SetColors(colours.background, colours.lit, colours.unlit);
        display.SetLines(lines);
        display.SetColumns(columns);
        display.SetFontSize(size);
    }

    // Every cell of the display shows the character of `rows` at its place.
    void ExpectShown(const std::vector<std::string>& rows, const Font& font = Small,
                     const Colours& colours = PanelColours)
    {
        const QImage screen = Grab(display);
        const QSize cell = font.Cell();
        ASSERT_EQ(screen.size(), QSize(cell.width() * static_cast<int>(rows[0].size()),
                                       cell.height() * static_cast<int>(rows.size())));
        for (std::size_t row = 0; row < rows.size(); ++row) {
            for (std::size_t column = 0; column < rows[row].size(); ++column) {
                const QRect place(QPoint(column * cell.width(), row * cell.height()), cell);
                EXPECT_EQ(screen.copy(place), Cell(font, rows[row][column], colours))
                    << "row " << row << " column " << column;
            }
        }
    }

    SkinFolder skin;
    TestPanel panel;
    CBitmapFontStatic display{&panel};
};

struct GridCase
{
    const char* name;
    int lines;
    int columns;
    std::string text;
    std::vector<std::string> shown;
};

class FontGridTest : public FontStaticTest, public testing::WithParamInterface<GridCase>
{};

TEST_P(FontGridTest, ShowsTheTextInAFixedGridOfCells)
{
    Configure(GetParam().lines, GetParam().columns);
    display.SetText(GetParam().text);
    ExpectShown(GetParam().shown);
}

const std::string Status59(59, 'S');

INSTANTIATE_TEST_SUITE_P(
    Grids, FontGridTest,
    testing::Values(GridCase{"frequency", 5, 1, " 1000k", {" ", "1", "0", "0", "0"}},
                    GridCase{"gain", 1, 3, "9.9k", {"9.9"}},
                    GridCase{"statusFull", 1, 59, Status59, {Status59}},
                    GridCase{"statusCut", 1, 59, Status59 + "X", {Status59}},
                    GridCase{"empty", 2, 3, "", {"   ", "   "}},
                    GridCase{"wrapsThenCuts", 2, 3, "ABCDEFGH", {"ABC", "DEF"}},
                    GridCase{"lineBreaksCollapse", 2, 3, "A\r\n\r\nB", {"A  ", "B  "}},
                    GridCase{"loneControlCharacters", 1, 4, "A\rB\n", {"A B "}},
                    GridCase{"beyondTheFont", 1, 3, "\tA\x80", {" A "}},
                    GridCase{"oneLineWithoutLimit", 0, 2, "HELLO", {"HELLO"}},
                    GridCase{"oneLineAsLongAsTheText", 0, 0, "HEY", {"HEY"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase
{
    const char* name;
    int size;
    Font font;
};

class FontSizeTest : public FontStaticTest, public testing::WithParamInterface<SizeCase>
{};

TEST_P(FontSizeTest, ChoosesTheFontAndShowsItAsDrawnWithoutColours)
{
    display.SetLines(2);
    display.SetColumns(2);
    display.SetFontSize(GetParam().size);
    display.SetText("OK");
    ExpectShown({"OK", "  "}, GetParam().font, FontColours);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontSizeTest,
                         testing::Values(SizeCase{"medium", 0, Medium}, SizeCase{"small", 2, Small},
                                         SizeCase{"large", 1, Large},
                                         SizeCase{"anyOther", 7, Large}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FontStaticTest, GridReachesBeyondThePlacedRectangleWithItsCornerKept)
{
    Configure(5, 1);
    display.SetText(" 1000k");
    EXPECT_EQ(display.geometry(), QRect(10, 20, 11, 75));
    const QImage screen = Grab(panel);
    EXPECT_EQ(screen.copy(QRect(QPoint(10, 20 + 4 * 15), Small.Cell())),
              Cell(Small, '0', PanelColours));
    EXPECT_EQ(screen.pixel(10, 20 + 5 * 15), PanelColour);
}

TEST_F(FontStaticTest, SameTextAgainDoesNotRepaint)
{
    Configure(1, 3);
    QCoreApplication::processEvents();
    const CPaintCounter paints(&display);
    display.SetText("1.5");
    EXPECT_EQ(paints.Count(), 1);
    display.SetText("1.5");
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.Count(), 1);
}

TEST_F(FontStaticTest, NewColoursReplaceTheOnesAlreadyDrawn)
{
    Configure(1, 2);
    display.SetText("AB");
    ExpectShown({"AB"});
    constexpr Colours Amber{qRgb(20, 10, 0), qRgb(255, 190, 0), qRgb(80, 50, 0)};
    Configure(1, 2, Amber);
    ExpectShown({"AB"}, Small, Amber);
}

} // namespace
