#pragma once

#include <QUndoCommand>

#include <functional>
#include <vector>

#include "model/strip_settings.h"

// One strip as it was before an edit and as the edit left it.
struct StripChange
{
    int strip;
    StripSettings before;
    StripSettings after;
};

// One completed edit of the operator's: a drag from press to release, a key step, a filter
// key, a lock, a master move with its followers, a loaded file, a retrieve. Undoing puts back
// only the values the edit changed, so that what the device's front panel or a remote client
// changed since stays.
class CSettingsEdit : public QUndoCommand
{
public:
    // Moves a strip's values that differ between from and to to their value in to.
    using Apply =
        std::function<void(int strip, const StripSettings& from, const StripSettings& to)>;

    CSettingsEdit(const QString& text, std::vector<StripChange> changes, Apply apply);

    void undo() override;
    // The first redo is the push itself: the edit has already been made.
    void redo() override;

private:
    std::vector<StripChange> changes;
    Apply apply;
    bool pushed = false;
};
