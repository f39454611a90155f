// The floor the launcher's time is measured against: a bare Win32 program that
// shows a window of the progress window's size with a static child, as the
// launcher does, and nothing else.
//   bare_launcher.exe                  the window, until it is ended
//   bare_launcher.exe <starts file>    the window, then each start of the file
//                                      in turn, then a message box
// A line of the starts file: "wait" or "nowait", a tab, the program's path, a
// tab, its parameters. Each program is started as the launcher starts its
// children (ShellExecuteExW), and waited for when the line says so.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>

namespace {

constexpr wchar_t kClass[] = L"ZUBAREWINDOW";

int Scale(int pixels, int dpi) {
    return ::MulDiv(pixels, dpi, 96);
}

HWND ShowBareWindow(HINSTANCE instance) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    window_class.lpszClassName = kClass;
    ::RegisterClassExW(&window_class);
    HDC screen = ::GetDC(nullptr);
    const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
    const int dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const int width = Scale(405, dpi_x);
    const int height = Scale(118, dpi_y);
    HWND window = ::CreateWindowExW(WS_EX_LEFT, kClass, L"ZEMI Update", WS_POPUPWINDOW | WS_CAPTION,
                                    (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                    (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                    nullptr, nullptr, instance, nullptr);
    ::CreateWindowExW(0, L"STATIC", L"Installing", WS_CHILD | WS_VISIBLE, Scale(22, dpi_x),
                      Scale(22, dpi_y), Scale(350, dpi_x), Scale(17, dpi_y), window, nullptr,
                      instance, nullptr);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    return window;
}

void Start(const std::wstring& path, const std::wstring& parameters, bool wait) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = path.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&info) || info.hProcess == nullptr) {
        return;
    }
    if (wait) {
        ::WaitForSingleObject(info.hProcess, INFINITE);
    }
    ::CloseHandle(info.hProcess);
}

void RunStarts(const wchar_t* file_name) {
    std::wifstream file(file_name);
    std::wstring line;
    while (std::getline(file, line)) {
        const size_t first = line.find(L'\t');
        const size_t second = line.find(L'\t', first + 1);
        if (first == std::wstring::npos || second == std::wstring::npos) {
            continue;
        }
        Start(line.substr(first + 1, second - first - 1), line.substr(second + 1),
              line.compare(0, first, L"wait") == 0);
    }
}

void PumpUntilEnded() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND window = ShowBareWindow(instance);
    if (__argc < 2) {
        PumpUntilEnded();
        return 0;
    }
    RunStarts(__wargv[1]);
    ::MessageBoxW(window, L"done", L"ZEMI Update", MB_OK);
    return 0;
}
