// Stand-in for the new generation's setup "Installer\setup.exe". With "/s" it
// installs the client as the real setup leaves it: the programs, "Version.txt"
// and the self-repair tool in the native Program Files folder + "\Koru\ZEMI
// Update", the product key with "Version", and the all-users Programs shortcut.
#include <windows.h>
#include <shlobj.h>

#include "platform/com_ptr.h"
#include "platform/scoped_com.h"
#include "standins/file_tree.h"
#include "standins/machine_paths.h"
#include "standins/registry_edit.h"
#include "standins/standin_common.h"

namespace zu::standin {
namespace {

constexpr wchar_t kProductFolder[] = L"\\Koru\\ZEMI Update";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kInstallerKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
constexpr wchar_t kShortcutName[] = L"\\ZEMI Update.lnk";
constexpr wchar_t kClientExe[] = L"ZEMIUpdt.exe";
constexpr int kRefused = 2;
constexpr int kFailed = 1;

bool CopyFile(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// The setup lies in "<package>\Installer"; the tool in "<package>\ZUSRFeature\<bits>".
bool InstallFiles(const std::wstring& installer, const std::wstring& product) {
    const std::wstring tool =
        FolderOf(installer) + L"\\ZUSRFeature\\" + (IsNativeX86() ? L"32" : L"64") + L"\\ZUSR.exe";
    bool done = CreateFolderChain(product);
    done = done && CopyFolderFiles(installer + L"\\payload", product);
    done = done && CopyFile(installer + L"\\Version.txt", product + L"\\Version.txt");
    return done && CopyFile(tool, product + L"\\ZUSR.exe");
}

HRESULT CreateShortcut(const std::wstring& link, const std::wstring& target) {
    ScopedComApartment com;
    ComPtr<IShellLinkW> shortcut;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    shortcut.ReceiveVoid());
    if (FAILED(hr)) {
        return hr;
    }
    shortcut->SetPath(target.c_str());
    shortcut->SetWorkingDirectory(FolderOf(target).c_str());
    shortcut->SetDescription(L"ZEMI Update");
    ComPtr<IPersistFile> file;
    hr = shortcut->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
    return SUCCEEDED(hr) ? file->Save(link.c_str(), TRUE) : hr;
}

bool Install(const Standin& standin) {
    const std::wstring native = NativeProgramFiles();
    const std::wstring programs = CommonPrograms();
    if (native.empty() || programs.empty()) {
        standin.Record(L"install failed", L"folders not found");
        return false;
    }
    const std::wstring product = native + kProductFolder;
    if (!InstallFiles(standin.OwnFolder(), product)) {
        standin.Record(L"install failed", L"files " + HexCode(::GetLastError()));
        return false;
    }
    // What a setup cut short leaves: the files, its version file among them,
    // without the rest.
    if (standin.Flag(L"stop_after_files")) {
        standin.Record(L"stopped", L"after the files");
        return false;
    }
    const std::wstring version = FirstLineOf(product + L"\\Version.txt", 64);
    if (!SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, L"Version", version)) {
        standin.Record(L"install failed", L"product key");
        return false;
    }
    const HRESULT hr =
        CreateShortcut(programs + kShortcutName, product + L"\\" + std::wstring(kClientExe));
    if (FAILED(hr)) {
        standin.Record(L"install failed", L"shortcut " + HexCode(hr));
        return false;
    }
    standin.Record(L"installed", product + L" " + version);
    return true;
}

}  // namespace
}  // namespace zu::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    using namespace zu::standin;
    const Standin standin;
    standin.WaitAsTold();
    if (standin.Flag(L"fail")) {
        standin.Record(L"failed", L"as told");
        return standin.ExitCode(kFailed);
    }
    // Without its silent switch the real setup would ask questions.
    if (!standin.HasSwitch(L"/s")) {
        standin.Record(L"refused", L"no /s");
        return kRefused;
    }
    const bool installed = Install(standin);
    // The client's way of asking the launcher for a restart after the setup.
    if (installed && standin.Flag(L"request_restart")) {
        SetDwordValue(HKEY_LOCAL_MACHINE, kInstallerKey, KEY_WOW64_64KEY, L"Reboot", 1);
        standin.Record(L"restart requested", L"Reboot = 1");
    }
    return standin.ExitCode(installed ? 0 : kFailed);
}
