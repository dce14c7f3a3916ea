#include "hand.h"

#include <QCoreApplication>
#include <QCursor>
#include <QTest>

Hand::Hand(QWidget& widget, QPoint at) : window(*widget.window()->windowHandle())
{
    QCursor::setPos(widget.mapToGlobal(at));
    QCoreApplication::processEvents();
    QTest::mousePress(&window, Qt::LeftButton, {}, WindowPoint());
}

void Hand::Move(int dx, int dy)
{
    QCursor::setPos(QCursor::pos() + QPoint(dx, dy));
    QCoreApplication::processEvents();
}

void Hand::Release()
{
    QTest::mouseRelease(&window, Qt::LeftButton, {}, WindowPoint());
}

QPoint Hand::WindowPoint() const
{
    return window.mapFromGlobal(QCursor::pos());
}
