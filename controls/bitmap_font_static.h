#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

// A dot-matrix read-out: each character is copied from a font bitmap of character cells
// (characters 32 to 127, 32 cells a row) recoloured to the owner's colours, into a fixed grid
// of lines x columns cells whose empty cells show unlit dots. A carriage return followed by
// a line feed starts a new line unless the current one is still empty; other characters
// without a cell show as an empty cell.
//
// The grid is drawn from the top-left corner and must show whole even where the owner placed
// a smaller rectangle, so the display sizes itself to the cells it draws (the grid, or the
// text when lines is 0) whenever the font, the grid or the text change; its top-left stays.
// Owners place it with move() rather than resize().
//
// The recoloured font is kept between paints and made again only when the font or the colours
// change: the panel repaints its read-outs at every knob movement. The font comes from the
// picture set for the screen's pixel ratio, and is loaded again from the other set when a
// paint meets a ratio that wants it.
class CBitmapFontStatic : public QWidget
{
    Q_OBJECT

public:
    explicit CBitmapFontStatic(QWidget* parent = nullptr);

    void SetColors(QColor background, QColor lit, QColor unlit);
    // 0 for one line without a limit and without an empty grid.
    void SetLines(int n);
    // 0 for the length of the current text.
    void SetColumns(int n);
    // 0 the medium font, 2 the small one, anything else the large one. Needed before the
    // display can show anything.
    void SetFontSize(int size);
    // Setting the text already shown does nothing; otherwise the display repaints at once.
    void SetText(std::string_view s);
    const std::string& Text() const { return text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Placement
    {
        int cell;
        QPoint at;
    };

    QSize CellSize() const;
    // The grid's empty cells, then the text's cells, in drawing order.
    std::vector<Placement> Layout() const;
    void FitToLayout();
    void LoadFont(qreal devicePixelRatio);
    const QImage& RecolouredFont(qreal devicePixelRatio);

    std::string text;
    QColor unlitColour{23, 64, 103};
    QColor litColour{63, 181, 255};
    QColor backgroundColour{Qt::black};
    unsigned int fontBitmap = 0;
    int glyphWidth = 0;
    int glyphHeight = 0;
    int gapX = 0;
    int gapY = 0;
    int lines = 0;
    int columns = 0;
    QImage font;
    // The font in the current colours; null until the next paint makes it.
    QImage recolouredFont;
};
