#pragma once

#include <QTimer>

#include <functional>
#include <vector>

class QWidget;

// Answers the modal windows the panel opens while a click runs: the file dialogs and message
// boxes run event loops of their own, so the answers are looked for from a timer that runs
// inside them. Each answer is given the active modal window and says whether it took it;
// an answer that took one is used up.
class CModalWatch
{
public:
    using Answer = std::function<bool(QWidget& modal)>;

    CModalWatch();

    void Expect(Answer answer);
    bool AllAnswered() const { return pending.empty(); }

private:
    void Look();

    std::vector<Answer> pending;
    bool answering = false;
    QTimer poll;
};
