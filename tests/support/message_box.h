#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu::test {

// A UI robot for the message boxes of another process: finds a box, reads it
// and answers it as a user would.

enum class MessageBoxIcon {
    kNone,         // the box shows no icon
    kInformation,  // MB_ICONINFORMATION
    kWarning,      // MB_ICONWARNING
    kError,        // MB_ICONERROR
    kQuestion,     // MB_ICONQUESTION
    // An icon is shown, but it lives in the other process and cannot be told
    // apart (Wine loads the system icons per process; Windows shares them).
    kUnreadable,
};

struct MessageBoxContent {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    MessageBoxIcon icon = MessageBoxIcon::kUnreadable;
    // Identifiers of the push buttons (IDOK = 1, IDCANCEL = 2, ...), in window order.
    std::vector<int> buttons;
};

// True when the box shows expected, or an icon that cannot be read.
bool ShowsIcon(const MessageBoxContent& box, MessageBoxIcon expected);

// Waits up to timeout_ms for a message box (a "#32770" dialog with its text
// line and push buttons) of a thread of process_id and reads it. Dialogs of
// other processes, and the system's crash dialog wherever it appears, are never
// taken. False, box untouched, when none appeared in time.
bool WaitForMessageBox(DWORD process_id, DWORD timeout_ms, MessageBoxContent* box);

// Presses the box's OK button as a click would. False when it has none.
bool PressOk(const MessageBoxContent& box);

// Closes the box with its title bar's close button.
bool CloseWithTitleBar(const MessageBoxContent& box);

}  // namespace zu::test
