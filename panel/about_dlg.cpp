#include "panel/about_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>

namespace {

constexpr int IconSize = 32;

} // namespace

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Sonavire"));
    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(IconSize, IconSize));
    auto* name = new QLabel(
        QStringLiteral("Sonavire Panel Version %1").arg(QStringLiteral(SONAVIRE_VERSION)), this);
    auto* purpose = new QLabel(
        QStringLiteral("Control panel of the Sonavire 16 channel filter amplifier"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(purpose, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
