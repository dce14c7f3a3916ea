#pragma once

#include <QPointer>
#include <QWidget>

// The ring drawn around the control that has the keyboard focus: the skinned controls draw
// no focus of their own. It shows only when the focus came from the keyboard (or from an
// assistive tool), not from a click, so that the mouse user's panel looks as it always did.
// It passes every mouse event through to the controls beneath it.
class CFocusMark : public QWidget
{
    Q_OBJECT

public:
    explicit CFocusMark(QWidget* window);

    // Marks control while it has a focus that should show.
    void Follow(QWidget* control);

    // The control ringed, or nullptr while the mark is hidden.
    QWidget* Marked() const { return isVisible() ? marked.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int Margin = 2;
    static constexpr int Thickness = 2;

    void MarkAround(QWidget* control);

    QPointer<QWidget> marked;
};
