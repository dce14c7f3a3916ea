#include "panel/settings_edit.h"

CSettingsEdit::CSettingsEdit(const QString& text, std::vector<StripChange> changes, Apply apply)
    : QUndoCommand(text), changes(std::move(changes)), apply(std::move(apply))
{}

void CSettingsEdit::undo()
{
    for (const StripChange& change : changes)
        apply(change.strip, change.after, change.before);
}

void CSettingsEdit::redo()
{
    if (!pushed) {
        pushed = true;
        return;
    }
    for (const StripChange& change : changes)
        apply(change.strip, change.before, change.after);
}
