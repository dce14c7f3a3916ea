#include "panel/compare_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

CCompareDlg::CCompareDlg(const QString& fileName, const std::vector<StripDifference>& differences,
                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Compare with file"));
    summary.setWordWrap(true);
    summary.setText(
        differences.empty()
            ? QStringLiteral("The panel's settings and %1 are the same.").arg(fileName)
        : differences.size() == 1
            ? QStringLiteral("One value differs between the panel and %1.").arg(fileName)
            : QStringLiteral("%1 values differ between the panel and %2.")
                  .arg(differences.size())
                  .arg(fileName));
    rows.setColumnCount(4);
    rows.setHeaderLabels(
        {QStringLiteral("Strip"), QStringLiteral("Setting"), QStringLiteral("Panel"), fileName});
    rows.setRootIsDecorated(false);
    rows.setAlternatingRowColors(true);
    for (const StripDifference& difference : differences) {
        rows.addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(StripName(difference.strip)),
             QString::fromStdString(difference.field), QString::fromStdString(difference.a),
             QString::fromStdString(difference.b)}));
    }
    rows.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    rows.setVisible(!differences.empty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(&summary);
    layout->addWidget(&rows, 1);
    layout->addWidget(buttons);
    resize(480, differences.empty() ? 120 : 360);
}
