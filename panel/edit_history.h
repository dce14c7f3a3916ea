#pragma once

#include <QUndoStack>

#include "model/strip_settings.h"
#include "panel/settings_edit.h"

// The operator's edits of the strips, for undo and redo. The window says when an edit is
// complete; the history takes everything that changed since the last one as that edit.
// Changes the operator did not make (the device's front panel seen by the poll, a remote
// client, the read when connecting) are absorbed instead, so that no edit claims them.
class CEditHistory
{
public:
    CEditHistory(PanelSettings& settings, CSettingsEdit::Apply apply);

    // One edit named text, of whatever changed since the last; nothing when nothing did.
    void Commit(const QString& text);
    void Absorb(int strip);
    void AbsorbAll();

    QUndoStack& Stack() { return stack; }

private:
    PanelSettings& settings;
    PanelSettings baseline;
    CSettingsEdit::Apply apply;
    QUndoStack stack;
};
