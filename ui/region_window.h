#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/launcher_context.h"

namespace zu {

// The small window that asks the user for the country when nothing on the
// machine tells the sales region: a prompt, a drop-down list of countries, OK
// (available once a country is chosen) and Cancel.

inline constexpr wchar_t kRegionWindowClass[] = L"Combox";

// Control identifiers of the window's children.
inline constexpr int kRegionOkButtonId = 1;
inline constexpr int kRegionCountryListId = 2;
inline constexpr int kRegionCancelButtonId = 3;

// Shows the region window with countries in their order on the calling
// thread, pumping that thread's messages until the window is destroyed, with
// the progress window (context.mainWindow) hidden while it is up; layout
// scaled by context.dpi. True once the window has been shown and closed:
// country then holds the chosen name, or is empty when the user cancelled or
// closed the window. False, country untouched, when nothing could be shown (no
// instance in the context, the window class or the window not created).
// Fits LauncherContext::chooseCountry.
bool RunRegionDialog(const LauncherContext& context,
                     const std::vector<std::wstring>& countries,
                     std::wstring* country);

}  // namespace zu
