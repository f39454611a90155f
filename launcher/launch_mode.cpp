#include "launcher/launch_mode.h"

#include <cwctype>
#include <string>
#include <vector>

#include "components/product_keys.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

std::wstring Trim(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) {
        ++first;
    }
    while (last > first && std::iswspace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

bool IsSilentSwitch(const std::wstring& token) {
    return ::lstrcmpiW(token.c_str(), L"/s") == 0 || ::lstrcmpiW(token.c_str(), L"-s") == 0;
}

// A request counts only as a REG_SZ or REG_EXPAND_SZ string reading "1" in any
// case. A missing key or value, another type or malformed data reads as no request.
bool IsRequestSet(const wchar_t* value_name) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Handle(), value_name, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::vector<wchar_t> buffer(bytes / 2 + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (key.ReadString(value_name, buffer.data(), &length) != ERROR_SUCCESS) {
        return false;
    }
    return ::lstrcmpiW(buffer.data(), L"1") == 0;
}

// "LaunchInstaller" is read as four bytes whatever its type, so the string "1"
// does not count; a value that is missing or longer than four bytes reads as 0.
bool IsLaunchInstallerRequested() {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), kLaunchInstallerValue, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS) {
        return false;
    }
    return value == 1;
}

}  // namespace

void ParseCommandLine(LauncherContext* context) {
    const std::wstring& line = context->commandLine;
    size_t position = 0;
    while (position < line.size()) {
        position = line.find_first_not_of(L' ', position);
        if (position == std::wstring::npos) {
            break;
        }
        size_t end = line.find(L' ', position);
        if (end == std::wstring::npos) {
            end = line.size();
        }
        if (IsSilentSwitch(Trim(line.substr(position, end - position)))) {
            context->silent = true;
            return;
        }
        position = end;
    }
}

void ReadLaunchMode(LauncherContext* context) {
    if (context->silent && IsRequestSet(kZeuInstallValue)) {
        context->zeuInstallSilent = true;
    } else if (IsRequestSet(kZusrInstallValue)) {
        context->zusrInstall = true;
    } else if (IsLaunchInstallerRequested()) {
        context->launchInstaller = true;
        context->launchInstallerSilent = context->silent;
    } else {
        context->ordinaryRun = true;
        context->ordinaryRunSilent = context->silent;
    }
}

bool ClearLaunchRequests() {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductKey, kRegReadWrite64) != ERROR_SUCCESS) {
        return false;
    }
    // A request that is already gone is the normal case.
    key.DeleteValue(kZeuInstallValue);
    key.DeleteValue(kZusrInstallValue);
    return true;
}

}  // namespace zu
