#include "tests/support/message_box.h"

namespace zu::test {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
// Control identifiers of a message box's parts (the same on Windows and Wine).
constexpr int kTextId = 0xFFFF;
constexpr int kIconWineId = 1088;  // stc1
constexpr int kIconWindowsId = 0x14;
constexpr DWORD kPollMs = 50;

// The crash dialog of a failed program is a "#32770" too; its text says so.
constexpr const wchar_t* kCrashDialogMarks[] = {L"serious problem", L"Program Error"};

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t class_name[64] = {};
    ::GetClassNameW(window, class_name, 64);
    return ::lstrcmpiW(class_name, name) == 0;
}

bool IsCrashDialog(const MessageBoxContent& box) {
    for (const wchar_t* mark : kCrashDialogMarks) {
        if (box.text.find(mark) != std::wstring::npos ||
            box.caption.find(mark) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM parameter) {
    auto* buttons = reinterpret_cast<std::vector<int>*>(parameter);
    const LONG type = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
    if (HasClass(child, L"Button") && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
        buttons->push_back(::GetDlgCtrlID(child));
    }
    return TRUE;
}

// System icons are shared between processes on Windows, so the handle tells
// which one is shown; under Wine each process loads its own.
MessageBoxIcon ReadIcon(HWND dialog) {
    HWND control = ::GetDlgItem(dialog, kIconWineId);
    if (control == nullptr) {
        control = ::GetDlgItem(dialog, kIconWindowsId);
    }
    const auto icon = control != nullptr
                          ? reinterpret_cast<HICON>(::SendMessageW(control, STM_GETICON, 0, 0))
                          : nullptr;
    if (icon == nullptr) {
        return MessageBoxIcon::kNone;
    }
    const struct {
        const wchar_t* id;
        MessageBoxIcon icon;
    } kKnown[] = {{IDI_INFORMATION, MessageBoxIcon::kInformation},
                  {IDI_WARNING, MessageBoxIcon::kWarning},
                  {IDI_ERROR, MessageBoxIcon::kError},
                  {IDI_QUESTION, MessageBoxIcon::kQuestion}};
    for (const auto& known : kKnown) {
        if (::LoadIconW(nullptr, known.id) == icon) {
            return known.icon;
        }
    }
    return MessageBoxIcon::kUnreadable;
}

// Reads window as a message box; false when it is none.
bool ReadBox(HWND window, MessageBoxContent* box) {
    HWND text = ::GetDlgItem(window, kTextId);
    if (text == nullptr || !HasClass(text, L"Static")) {
        return false;
    }
    MessageBoxContent content;
    content.window = window;
    content.caption = WindowText(window);
    content.text = WindowText(text);
    content.icon = ReadIcon(window);
    ::EnumChildWindows(window, CollectButton, reinterpret_cast<LPARAM>(&content.buttons));
    if (content.buttons.empty() || IsCrashDialog(content)) {
        return false;
    }
    *box = std::move(content);
    return true;
}

struct Search {
    DWORD process_id;
    MessageBoxContent* box;
    bool found;
};

BOOL CALLBACK InspectTopLevel(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id || !HasClass(window, kDialogClass) ||
        !::IsWindowVisible(window)) {
        return TRUE;
    }
    search->found = ReadBox(window, search->box);
    return !search->found;
}

}  // namespace

bool ShowsIcon(const MessageBoxContent& box, MessageBoxIcon expected) {
    return box.icon == expected ||
           (box.icon == MessageBoxIcon::kUnreadable && expected != MessageBoxIcon::kNone);
}

bool WaitForMessageBox(DWORD process_id, DWORD timeout_ms, MessageBoxContent* box) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Search search = {process_id, box, false};
        ::EnumWindows(InspectTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return true;
        }
        if (::GetTickCount() - start >= timeout_ms) {
            return false;
        }
        ::Sleep(kPollMs);
    }
}

bool PressOk(const MessageBoxContent& box) {
    HWND ok = ::GetDlgItem(box.window, IDOK);
    if (ok == nullptr) {
        return false;
    }
    // Posted, not sent: the box's thread ends its modal loop on the click, and
    // the robot must not wait for whatever that thread does next.
    return ::PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                          reinterpret_cast<LPARAM>(ok)) != FALSE;
}

bool CloseWithTitleBar(const MessageBoxContent& box) {
    return ::PostMessageW(box.window, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
}

}  // namespace zu::test
