#include "panel/edit_history.h"

CEditHistory::CEditHistory(PanelSettings& settings, CSettingsEdit::Apply apply)
    : settings(settings), baseline(settings), apply(std::move(apply))
{}

void CEditHistory::Commit(const QString& text)
{
    std::vector<StripChange> changes;
    for (int strip = 0; strip < StripCount; ++strip) {
        if (settings[strip] != baseline[strip])
            changes.push_back({strip, baseline[strip], settings[strip]});
    }
    baseline = settings;
    if (changes.empty())
        return;
    // Undo and redo move the settings themselves; the ground the next edit starts from
    // follows them.
    auto move = [this](int strip, const StripSettings& from, const StripSettings& to) {
        apply(strip, from, to);
        baseline[strip] = settings[strip];
    };
    stack.push(new CSettingsEdit(text, std::move(changes), move));
}

void CEditHistory::Absorb(int strip)
{
    baseline[strip] = settings[strip];
}

void CEditHistory::AbsorbAll()
{
    baseline = settings;
}
