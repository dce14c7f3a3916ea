#pragma once

#include <QObject>
#include <QPointer>

class CControlPanelDlg;

// Watches the panel program from inside: when the main window's first frame has been
// painted it prints the time and the resident memory, optionally connects, then prints the
// CPU time used over an idle spell and closes the window. One "key value" line per figure on
// standard output; the benchmark reads them.
class CFirstFrameProbe : public QObject
{
public:
    CFirstFrameProbe(int idleSeconds, bool connect);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFirstFrame();
    void Connect();
    void StartIdleSpell();
    void EndIdleSpell();

    const int idleSeconds;
    const bool connect;
    QPointer<CControlPanelDlg> panel;
    double cpuAtStart = 0;
    double wallAtStart = 0;
};
