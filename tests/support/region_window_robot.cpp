#include "tests/support/region_window_robot.h"

#include <vector>

namespace zu::test {
namespace {

constexpr int kOkId = 1;
constexpr int kCountryListId = 2;
constexpr int kCancelId = 3;
constexpr int kPromptIndex = 1;  // the prompt has no identifier: the second child

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindRegionWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t class_name[32] = {};
    DWORD process_id = 0;
    ::GetWindowThreadProcessId(window, &process_id);
    if (process_id == search->processId && ::GetClassNameW(window, class_name, 32) > 0 &&
        ::lstrcmpW(class_name, L"Combox") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD process_id) {
    Search search = {process_id, nullptr};
    ::EnumWindows(FindRegionWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
    return TRUE;
}

HWND NthChild(HWND window, size_t index) {
    std::vector<HWND> children;
    ::EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return index < children.size() ? children[index] : nullptr;
}

}  // namespace

bool WaitForRegionWindow(DWORD process_id, DWORD timeout_ms, RegionWindow* window) {
    const DWORD start = ::GetTickCount();
    do {
        HWND found = FindWindowOf(process_id);
        RegionWindow candidate;
        candidate.window = found;
        if (found != nullptr && ::IsWindowVisible(found)) {
            candidate.countryList = ::GetDlgItem(found, kCountryListId);
            candidate.okButton = ::GetDlgItem(found, kOkId);
            candidate.cancelButton = ::GetDlgItem(found, kCancelId);
            candidate.prompt = NthChild(found, kPromptIndex);
            if (candidate.countryList != nullptr && candidate.cancelButton != nullptr) {
                *window = candidate;
                return true;
            }
        }
        ::Sleep(20);
    } while (::GetTickCount() - start < timeout_ms);
    return false;
}

bool RegionWindowExists(DWORD process_id) {
    return FindWindowOf(process_id) != nullptr;
}

bool ChooseCountry(const RegionWindow& window, const std::wstring& country) {
    const LRESULT index =
        ::SendMessageW(window.countryList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(country.c_str()));
    if (index == CB_ERR) {
        return false;
    }
    ::SendMessageW(window.countryList, CB_SETCURSEL, index, 0);
    ::SendMessageW(window.window, WM_COMMAND, MAKEWPARAM(kCountryListId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(window.countryList));
    return true;
}

std::wstring CountryAt(const RegionWindow& window, int index) {
    wchar_t text[260] = {};
    if (::SendMessageW(window.countryList, CB_GETLBTEXTLEN, index, 0) >= 260) {
        return std::wstring();
    }
    ::SendMessageW(window.countryList, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

int CountryCount(const RegionWindow& window) {
    return static_cast<int>(::SendMessageW(window.countryList, CB_GETCOUNT, 0, 0));
}

void PressOk(const RegionWindow& window) {
    ::SendMessageW(window.okButton, BM_CLICK, 0, 0);
}

void PressCancel(const RegionWindow& window) {
    ::SendMessageW(window.cancelButton, BM_CLICK, 0, 0);
}

void CloseWithTitleBar(const RegionWindow& window) {
    ::PostMessageW(window.window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    ::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace zu::test
