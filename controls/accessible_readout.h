#pragma once

#include <QAccessibleWidget>
#include <QString>

#include <functional>

// A display that only shows text (a dot-matrix read-out, the status line, a lamp): named for
// what it is, with what it shows as its value. The text is also its description, since that
// is what AT-SPI carries of a plain display besides the name.
class CAccessibleReadout : public QAccessibleWidget
{
public:
    using TextSource = std::function<QString()>;

    CAccessibleReadout(QWidget* display, QString name, TextSource shown);

    QString text(QAccessible::Text which) const override;

private:
    QString name;
    TextSource shown;
};
