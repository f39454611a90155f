#pragma once

#include <windows.h>

#include <initializer_list>

#include "platform/dpi_scale.h"

namespace zu {

// What the launcher's windows (progress and region) have in common: their
// class, a centred "ZEMI Update" frame, children laid out at 96 DPI and
// scaled, the UI language's font, and the look of their static text on XP.

// Registers class_name with window_procedure, icon 107 of instance, the arrow
// cursor and the menu colour. False when RegisterClassExW fails
// (GetLastError says why).
bool RegisterLauncherWindowClass(HINSTANCE instance,
                                 const wchar_t* class_name,
                                 WNDPROC window_procedure);

// Creates the "ZEMI Update" pop-up window of class_name with a caption,
// width x height at 96 DPI scaled by dpi, centred on the screen, not yet
// shown; creation_data is kept as the window's user data (see
// StoreCreationData). Null when the window cannot be made.
HWND CreateCentredWindow(const wchar_t* class_name,
                         int width,
                         int height,
                         const DpiScale& dpi,
                         HINSTANCE instance,
                         void* creation_data);

// A visible child of parent with control identifier id, placed at layout
// (pixels at 96 DPI) scaled by dpi. Null when it cannot be made.
HWND CreateScaledChild(HWND parent,
                       const DpiScale& dpi,
                       const wchar_t* window_class,
                       const wchar_t* text,
                       DWORD style,
                       int id,
                       const RECT& layout);

// Nine points of the face that the UI language's table names for this
// Windows, at the resolution of window's screen. Null when the face or the
// device context cannot be had, or the font cannot be made.
HFONT CreateLocalizedFont(HWND window);

// Posts WM_SETFONT with font to each window.
void PostFont(HFONT font, std::initializer_list<HWND> windows);

// For WM_NCCREATE: keeps the creation data of CreateCentredWindow as the
// window's user data, where CreationDataOf finds it.
void StoreCreationData(HWND window, LPARAM create_struct);

template <typename Data>
Data* CreationDataOf(HWND window) {
    return reinterpret_cast<Data*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Answers WM_CTLCOLORSTATIC: on XP's classic look static text sits on white,
// unless high contrast asks for the system's own colours (then, and on every
// later Windows, the default answer).
LRESULT ColorStaticText(HWND window, WPARAM wparam, LPARAM lparam);

// True when the system's high-contrast mode is on; false also when it cannot be read.
bool IsHighContrastOn();

}  // namespace zu
