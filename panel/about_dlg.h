#pragma once

#include <QDialog>

// "About Sonavire": the icon, the program's name and version.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);
};
