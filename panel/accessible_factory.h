#pragma once

class CControlPanelDlg;

// Makes the panel usable with a screen reader and the keyboard: every control gets a name,
// role and value that assistive tools read through Qt's accessibility interfaces, Tab and
// Shift+Tab walk the controls in reading order, and the focused control is ringed. Called
// once the controls exist; a second call changes nothing.
void MakeAccessible(CControlPanelDlg& panel);
