#pragma once

#include <QDialog>
#include <QLabel>
#include <QTreeWidget>

#include <vector>

#include "model/settings_difference.h"

// The values in which the panel's settings and a settings file differ, one row each, for the
// operator to read before loading the file (or instead of it).
class CCompareDlg : public QDialog
{
    Q_OBJECT

public:
    CCompareDlg(const QString& fileName, const std::vector<StripDifference>& differences,
                QWidget* parent);

    const QTreeWidget& Rows() const { return rows; }
    QString Summary() const { return summary.text(); }

private:
    QLabel summary;
    QTreeWidget rows;
};
