#pragma once

#include <windows.h>

#include <string>

namespace zu::test {

// A user in front of the launcher's region window ("Combox"), in this process
// (driven from another thread) or in another one: finds the window, picks a
// country as the mouse would and presses its buttons.

struct RegionWindow {
    HWND window = nullptr;
    HWND countryList = nullptr;
    HWND prompt = nullptr;
    HWND okButton = nullptr;
    HWND cancelButton = nullptr;
};

// Waits up to timeout_ms for a visible region window of process_id with its
// controls. False, window untouched, when none appeared in time.
bool WaitForRegionWindow(DWORD process_id, DWORD timeout_ms, RegionWindow* window);

// True when a region window of process_id exists (visible or not).
bool RegionWindowExists(DWORD process_id);

// Selects country in the list and notifies the window the way a user's pick
// does (CBN_SELCHANGE). False when the list has no such entry.
bool ChooseCountry(const RegionWindow& window, const std::wstring& country);

// The texts of the list's entries, in order.
std::wstring CountryAt(const RegionWindow& window, int index);
int CountryCount(const RegionWindow& window);

void PressOk(const RegionWindow& window);
void PressCancel(const RegionWindow& window);
// The title bar's close button.
void CloseWithTitleBar(const RegionWindow& window);

// The text of a window of any process.
std::wstring WindowText(HWND window);

}  // namespace zu::test
