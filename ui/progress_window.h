#pragma once

#include <windows.h>

#include "platform/launcher_context.h"

namespace zu {

inline constexpr wchar_t kProgressWindowClass[] = L"ZUINSTALLER";
inline constexpr UINT_PTR kProgressTimerId = 60;

// Registers "ZUINSTALLER" with ProgressWndProc and icon 107 of instance.
// False when RegisterClassExW fails.
bool RegisterProgressWindowClass(HINSTANCE instance);

// Creates the centred progress window with its status line, bar, font and
// timer, fills the window fields of context, and shows the window unless a
// silent launch mode hides it. False when any part cannot be made (parts made
// so far are left for the process's end to clean up).
bool CreateProgressWindow(LauncherContext* context, HINSTANCE instance, int show_command);

// The window procedure of "ZUINSTALLER". It finds its context through the
// creation parameter. WM_CLOSE is ignored while context->closeBlocked is set.
LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// On an accepted WM_CLOSE: deletes the font and waits up to 200 ms for the
// worker thread, ending it if it has not finished, then closes its handle.
void ReleaseWindowResources(LauncherContext* context);

// Ends the run from the worker thread: clears closeBlocked, then posts WM_CLOSE.
void ReleaseProgressWindow(LauncherContext* context);

}  // namespace zu
