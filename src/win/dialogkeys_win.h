#pragma once
// The keys of a dialog (Tab and Shift+Tab, the arrow keys in a group,
// Enter, Escape and the Alt+letter mnemonics) for windows that are not
// dialogs: the feature windows, hosted as children deep inside the main
// window, and the preview window. A window opts in once; every message loop
// of the program hands each message to handleDialogKeys before translating
// and dispatching it.
#include <windows.h>

namespace quellar::win {

// Marks (or unmarks) `window` as one whose controls take the dialog keys.
// The mark goes with the window.
void setDialogKeys(HWND window, bool on);
bool hasDialogKeys(HWND window);

// The nearest marked window that holds `hwnd` (or is it), or null.
HWND dialogKeysWindow(HWND hwnd);

// True when `msg` was a key for a marked window and has been handled (it
// must then be neither translated nor dispatched again).
//
// Enter on a focused push button presses that button, as in a dialog;
// elsewhere it presses the window's default button (DM_GETDEFID), and
// Escape sends IDCANCEL. Alt+letter presses the button whose caption marks
// that letter with "&". Tab enters a group of option buttons at the chosen
// one; the arrows move in the group and choose the button they reach.
// Tab past the last control asks the window to hand the keyboard on
// (tabOutMessage). F1, in any window of the program, sends WM_HELP to its
// top-level window.
bool handleDialogKeys(MSG& msg);

// Sent to a marked window when Tab (wParam 0) or Shift+Tab (wParam 1) would
// go round from its last control to its first (or back): a window that
// answers non-zero has handed the keyboard on, to its host's commands.
UINT tabOutMessage();

}  // namespace quellar::win
