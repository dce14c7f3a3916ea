#pragma once

#include <QAbstractSlider>
#include <QPointer>

#include "model/value_scale.h"

// The relative, endless drag that the bitmap fader and knob share. While the left button is
// held the cursor is hidden and every pixel of upward travel raises the position one step,
// however the window system batches the events; once it strays a few pixels from a fixed
// point of the control (CursorHome) the cursor is put back there, so the user never runs out
// of screen, and a click never makes the control jump. Where the cursor cannot be placed
// (Wayland), the drag still follows the pointer pixel for pixel, only not endlessly. The up
// and down arrows and each notch of the wheel move two positions.
//
// A position may be requested one beyond the maximum: the base keeps the maximum, but the
// request counts as a change and the thumb or dot is placed for max + 1, so a drag past the
// top keeps reporting moves with the same value.
//
// The owner hears of user changes through CControlNotification events posted to the notify
// target, and reads GetValue when it handles them. Page Up/Down, Home and End would move
// QAbstractSlider's position silently, leaving the drawing and the owner behind, so every
// key but the two arrows is passed on to the owner untouched.
class CSkinnedSlider : public QAbstractSlider
{
    Q_OBJECT

public:
    // A zero argument keeps what is stored, so neither the target nor a message can be
    // cleared. A zero message is never posted.
    bool SetNotify(QObject* target, unsigned int moveMsg, unsigned int releaseMsg,
                   unsigned int pressMsg);
    bool SetMaxValue(double value);
    bool SetMinValue(double value);
    // Range 0..max, three positions per line and thirty per page.
    bool SetMaxPos(int max);
    // The value range and the positions at once, as the three setters above would.
    bool SetScale(const ValueScale& scale);
    // The value is not clamped (MoveTo clamps the position); repaints only when the
    // position changes.
    bool SetValue(double value);
    // The value of the position held, which never exceeds the maximum.
    double GetValue() const;

    // Clamps into min .. max + 1; returns whether the request differs from the position held
    // before.
    bool MoveTo(int pos);
    bool MoveBy(int delta);

    // Parts must be loaded in index order: each part's geometry uses the sizes of the earlier
    // ones. A part that cannot be read is not drawn.
    virtual void SetBitmap(unsigned int resourceId, int part) = 0;

protected:
    CSkinnedSlider(int maxPos, QWidget* parent);

    // Places the drawn thumb or dot for pos, which may be max + 1.
    virtual void Place(int pos) = 0;
    // Where the hidden cursor goes back to after a change, and the new drag reference, in
    // control pixels; the cursor's x is counted from the control's horizontal centre.
    virtual QPoint CursorHome() const = 0;
    virtual bool IgnoresInput() const { return false; }

    // (pos - min) / (max - min), 0 for an empty range.
    double Fraction(int pos) const;
    // Leaves a drag in progress: the capture is released and the cursor shown.
    void EndDrag();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // In global pixels.
    QPoint Pointer(const QMouseEvent& event) const;
    // Puts the cursor back on its home once it has strayed from it; returns the global y it
    // now rests on.
    int KeepCursorNearHome(QPoint pointer);
    void Post(unsigned int message);
    // One arrow-key step: press, move and release are posted whether or not it changed
    // anything, so the owner sees every key.
    void Step(int delta);

    bool dragging = false;
    // Where the cursor cannot be placed, travel is measured from where the button went down
    // and the cursor stays where the pointer is.
    bool placesCursor = true;
    // Only vertical travel counts, so the reference keeps only its y, in global pixels.
    int anchorY = 0;
    // Its positions follow the maximum rather than what SetMaxPos asked for: Qt raises a
    // maximum below the minimum to the minimum.
    ValueScale valueScale{0.0, 100.0, 0};
    QPointer<QObject> notifyWnd;
    unsigned int moveMsg = 0;
    unsigned int releaseMsg = 0;
    unsigned int pressMsg = 0;
    // Wheel rotation not yet turned into steps: fine-grained wheels and touchpads send
    // fractions of a notch.
    int wheelTravel = 0;
};
