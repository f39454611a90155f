#include "ui/region_window.h"

#include <string>

#include "platform/scoped_handle.h"
#include "resources/resource_ids.h"
#include "ui/launcher_window.h"
#include "ui/localized_strings.h"

namespace zu {
namespace {

// Layout at 96 DPI.
constexpr int kWindowWidth = 405;
constexpr int kWindowHeight = 163;
constexpr RECT kCountryList = {22, 53, 22 + 355, 53 + 150};  // the dropped list included
constexpr RECT kPrompt = {22, 22, 22 + 350, 22 + 17};
constexpr RECT kOkButton = {229, 98, 229 + 75, 98 + 23};
constexpr RECT kCancelButton = {313, 98, 313 + 75, 98 + 23};
constexpr int kCountryNameCapacity = 260;

// The state of one region window, on the stack of RunRegionDialog; the window
// procedure reaches it through the window's user data.
struct RegionDialog {
    RegionDialog(const LauncherContext& context, const std::vector<std::wstring>& countries)
        : dpi(context.dpi),
          instance(context.instance),
          progressWindow(context.mainWindow),
          countries(countries) {}

    DpiScale dpi;
    HINSTANCE instance;
    HWND progressWindow;
    HWND window = nullptr;
    HWND countryList = nullptr;
    HWND prompt = nullptr;
    HWND okButton = nullptr;
    HWND cancelButton = nullptr;
    UniqueGdiObject font;
    const std::vector<std::wstring>& countries;
    std::wstring selectedCountry;
    std::wstring result;
};

LRESULT CALLBACK RegionWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// True when the class exists afterwards; registered says whether this call made it.
bool RegisterRegionWindowClass(HINSTANCE instance, bool* registered) {
    *registered = RegisterLauncherWindowClass(instance, kRegionWindowClass, RegionWndProc);
    return *registered || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateChild(const RegionDialog& dialog,
                 const wchar_t* window_class,
                 const wchar_t* text,
                 DWORD style,
                 int id,
                 const RECT& layout) {
    return CreateScaledChild(dialog.window, dialog.dpi, window_class, text, style, id, layout);
}

// A child whose text comes from the string table; an empty text fails.
HWND CreateTextChild(const RegionDialog& dialog,
                     const wchar_t* window_class,
                     UINT text_id,
                     DWORD style,
                     int id,
                     const RECT& layout) {
    std::wstring text;
    if (!LoadLocalizedString(&text, text_id)) {
        return nullptr;
    }
    return CreateChild(dialog, window_class, text.c_str(), style, id, layout);
}

bool CreateDialogFont(RegionDialog* dialog) {
    dialog->font.Reset(CreateLocalizedFont(dialog->window));
    if (!dialog->font) {
        return false;
    }
    PostFont(static_cast<HFONT>(dialog->font.Get()),
             {dialog->window, dialog->prompt, dialog->countryList, dialog->okButton,
              dialog->cancelButton});
    return true;
}

// The controls in their fixed order; the first that cannot be made stops the rest.
bool CreateControls(RegionDialog* dialog) {
    dialog->countryList = CreateChild(*dialog, L"ComboBox", L"ComboBoxControl",
                                      WS_VSCROLL | CBS_DROPDOWNLIST | CBS_DISABLENOSCROLL,
                                      kRegionCountryListId, kCountryList);
    if (dialog->countryList == nullptr) {
        return false;
    }
    dialog->prompt = CreateTextChild(*dialog, L"STATIC", IDS_SELECT_LOCATION, 0, 0, kPrompt);
    if (dialog->prompt == nullptr) {
        return false;
    }
    dialog->okButton =
        CreateTextChild(*dialog, L"BUTTON", IDS_OK, WS_TABSTOP, kRegionOkButtonId, kOkButton);
    if (dialog->okButton == nullptr) {
        return false;
    }
    ::EnableWindow(dialog->okButton, FALSE);
    dialog->cancelButton = CreateTextChild(*dialog, L"BUTTON", IDS_CANCEL, WS_TABSTOP,
                                           kRegionCancelButtonId, kCancelButton);
    return dialog->cancelButton != nullptr && CreateDialogFont(dialog);
}

// Creates and shows the window. A control that cannot be made leaves the
// window up without the rest, so that the user can still close it.
bool CreateRegionWindow(RegionDialog* dialog) {
    dialog->window = CreateCentredWindow(kRegionWindowClass, kWindowWidth, kWindowHeight,
                                         dialog->dpi, dialog->instance, dialog);
    if (dialog->window == nullptr) {
        return false;
    }
    if (CreateControls(dialog)) {
        for (const std::wstring& country : dialog->countries) {
            ::SendMessageW(dialog->countryList, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(country.c_str()));
        }
        if (dialog->progressWindow != nullptr) {
            ::ShowWindow(dialog->progressWindow, SW_HIDE);
        }
    }
    ::ShowWindow(dialog->window, SW_SHOWNORMAL);
    ::UpdateWindow(dialog->window);
    return true;
}

RegionDialog* DialogOf(HWND window) {
    return CreationDataOf<RegionDialog>(window);
}

// Remembers the chosen country; OK is available only while one is chosen.
void OnCountrySelected(RegionDialog* dialog) {
    wchar_t name[kCountryNameCapacity] = {};
    const LRESULT index = ::SendMessageW(dialog->countryList, CB_GETCURSEL, 0, 0);
    if (index >= 0 &&
        ::SendMessageW(dialog->countryList, CB_GETLBTEXTLEN, index, 0) < kCountryNameCapacity) {
        ::SendMessageW(dialog->countryList, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
    }
    dialog->selectedCountry = name;
    ::EnableWindow(dialog->okButton, index >= 0 && !dialog->selectedCountry.empty());
}

void OnOk(RegionDialog* dialog) {
    // A click sent to the disabled button (BM_CLICK does not check) is no choice.
    if (!::IsWindowEnabled(dialog->okButton)) {
        return;
    }
    dialog->result = dialog->selectedCountry;
    ::PostMessageW(dialog->window, WM_CLOSE, 0, 0);
}

LRESULT OnCommand(HWND window, WPARAM wparam) {
    RegionDialog* dialog = DialogOf(window);
    if (dialog == nullptr) {
        return 0;
    }
    switch (LOWORD(wparam)) {
        case kRegionCountryListId:
            OnCountrySelected(dialog);
            break;
        case kRegionOkButtonId:
            OnOk(dialog);
            break;
        case kRegionCancelButtonId:
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            break;
    }
    return 0;
}

// WM_CLOSE goes to DefWindowProcW, so the title bar's close button cancels.
LRESULT CALLBACK RegionWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE:
            StoreCreationData(window, lparam);
            break;
        case WM_COMMAND:
            return OnCommand(window, wparam);
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        case WM_CTLCOLORSTATIC:
            // The prompt on XP's classic look.
            return ColorStaticText(window, wparam, lparam);
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

bool RunRegionDialog(const LauncherContext& context,
                     const std::vector<std::wstring>& countries,
                     std::wstring* country) {
    if (context.instance == nullptr) {
        return false;
    }
    RegionDialog dialog(context, countries);
    bool registered = false;
    if (!RegisterRegionWindowClass(context.instance, &registered)) {
        return false;
    }
    const bool shown = CreateRegionWindow(&dialog);
    if (shown) {
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        *country = dialog.result;
    }
    if (registered) {
        // A later window in this process registers the class afresh.
        ::UnregisterClassW(kRegionWindowClass, context.instance);
    }
    return shown;
}

}  // namespace zu
