#include "tools/help_pictures/modal_watch.h"

#include <QApplication>
#include <QWidget>

namespace {

constexpr int PollMs = 10;

} // namespace

CModalWatch::CModalWatch()
{
    poll.setInterval(PollMs);
    QObject::connect(&poll, &QTimer::timeout, [this] { Look(); });
}

void CModalWatch::Expect(Answer answer)
{
    pending.push_back(std::move(answer));
    poll.start();
}

void CModalWatch::Look()
{
    QWidget* modal = QApplication::activeModalWidget();
    // An answer that lets events run must not be entered again by the next poll.
    if (answering || !modal || !modal->isVisible())
        return;
    answering = true;
    for (auto answer = pending.begin(); answer != pending.end(); ++answer) {
        if ((*answer)(*modal)) {
            pending.erase(answer);
            break;
        }
    }
    answering = false;
    if (pending.empty())
        poll.stop();
}
