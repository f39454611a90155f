#include "platform/registry_key.h"

#include <cwchar>
#include <utility>

#include "platform/runtime_function.h"

namespace zu {

namespace {

constexpr REGSAM kViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

// Registry key names are at most 255 characters.
constexpr DWORD kMaxKeyNameLength = 256;

using RegDeleteKeyExFunction = LONG(WINAPI*)(HKEY, const wchar_t*, REGSAM, DWORD);

// Windows XP SP2 has no RegDeleteKeyExW, so it is looked up once per process;
// the answer, found or not, is kept (a function-local static is initialised
// once even if two threads get here together).
RegDeleteKeyExFunction RegDeleteKeyExOrNull() {
    static const RegDeleteKeyExFunction function =
        FindLoadedFunctionAs<RegDeleteKeyExFunction>(L"advapi32.dll", "RegDeleteKeyExW");
    return function;
}

using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(LONG);

// Deletes the open key itself: for a key opened with REG_OPTION_OPEN_LINK,
// the link, not its target. ntdll's call, which every Windows has; the
// advapi32 calls take a name and would follow a link. Win32 status.
LONG DeleteOpenKey(HKEY key) {
    const auto delete_key = FindLoadedFunctionAs<NtDeleteKeyFunction>(L"ntdll.dll", "NtDeleteKey");
    const auto to_win32 =
        FindLoadedFunctionAs<RtlNtStatusToDosErrorFunction>(L"ntdll.dll", "RtlNtStatusToDosError");
    if (delete_key == nullptr || to_win32 == nullptr) {
        return ERROR_PROC_NOT_FOUND;
    }
    const LONG status = delete_key(key);
    return status >= 0 ? ERROR_SUCCESS : static_cast<LONG>(to_win32(status));
}

// True when the characters hold no string because the last one is not its end.
bool LacksTerminatingNull(const wchar_t* text, DWORD characters) {
    return characters == 0 || text[characters - 1] != L'\0';
}

}  // namespace

RegistryKey::~RegistryKey() {
    Close();
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), view_(std::exchange(other.view_, 0)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        view_ = std::exchange(other.view_, 0);
    }
    return *this;
}

LONG RegistryKey::Open(HKEY parent, const wchar_t* subkey, REGSAM access) {
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExW(parent, subkey, 0, access, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return Adopt(opened, access & kViewBits);
}

LONG RegistryKey::CreateWritable(const wchar_t* subkey) {
    HKEY created = nullptr;
    DWORD disposition = 0;
    LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    kRegWrite64, nullptr, &created, &disposition);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return Adopt(created, KEY_WOW64_64KEY);
}

LONG RegistryKey::Close() {
    view_ = 0;
    if (handle_ == nullptr) {
        return ERROR_SUCCESS;
    }
    return ::RegCloseKey(std::exchange(handle_, nullptr));
}

LONG RegistryKey::Adopt(HKEY handle, REGSAM view) {
    LONG status = Close();
    handle_ = handle;
    view_ = view;
    return status;
}

LONG RegistryKey::ReadString(const wchar_t* name, wchar_t* buffer, DWORD* length) const {
    DWORD bytes = *length * sizeof(wchar_t);
    *length = 0;
    // An empty value would otherwise be stored as a null in a buffer with no room.
    if (buffer != nullptr && bytes == 0) {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    DWORD type = REG_NONE;
    LONG status =
        ::RegQueryValueExW(handle_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return ERROR_INVALID_DATA;
    }
    if (buffer != nullptr) {
        if (bytes == 0) {
            buffer[0] = L'\0';
        } else if (bytes % sizeof(wchar_t) != 0 ||
                   LacksTerminatingNull(buffer, bytes / sizeof(wchar_t))) {
            return ERROR_INVALID_DATA;
        }
    }
    *length = bytes / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

LONG RegistryKey::ReadMultiString(const wchar_t* name, wchar_t* buffer, DWORD* length) const {
    if (buffer != nullptr && *length < 2) {
        *length = 0;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    DWORD bytes = *length * sizeof(wchar_t);
    *length = 0;
    DWORD type = REG_NONE;
    LONG status =
        ::RegQueryValueExW(handle_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (type != REG_MULTI_SZ) {
        return ERROR_INVALID_DATA;
    }
    if (buffer != nullptr) {
        // The list ends with an empty string: two nulls, or one for an empty list.
        DWORD characters = bytes / sizeof(wchar_t);
        if (bytes % sizeof(wchar_t) != 0 || LacksTerminatingNull(buffer, characters) ||
            (characters >= 2 && buffer[characters - 2] != L'\0')) {
            return ERROR_INVALID_DATA;
        }
    }
    *length = bytes / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

LONG RegistryKey::WriteString(const wchar_t* name, const wchar_t* text) const {
    if (text == nullptr) {
        return ERROR_SUCCESS;
    }
    DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(handle_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG RegistryKey::WriteDword(const wchar_t* name, DWORD value) const {
    return ::RegSetValueExW(handle_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value));
}

LONG RegistryKey::WriteMultiString(const wchar_t* name, const wchar_t* data, DWORD bytes) const {
    return ::RegSetValueExW(handle_, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data),
                            bytes);
}

LONG RegistryKey::DeleteValue(const wchar_t* name) const {
    return ::RegDeleteValueW(handle_, name);
}

LONG RegistryKey::DeleteChildKey(const wchar_t* subkey) const {
    RegDeleteKeyExFunction delete_key_ex = RegDeleteKeyExOrNull();
    if (delete_key_ex != nullptr) {
        return delete_key_ex(handle_, subkey, view_, 0);
    }
    return ::RegDeleteKeyW(handle_, subkey);
}

// Each key is opened as itself (REG_OPTION_OPEN_LINK) and deleted through
// that handle: a link below the tree, or in place of it, has no subkeys of its
// own, so it is listed empty and deleted as a link; its target is never reached.
LONG RegistryKey::DeleteTree(const wchar_t* subkey) const {
    HKEY opened = nullptr;
    LONG status =
        ::RegOpenKeyExW(handle_, subkey, REG_OPTION_OPEN_LINK, KEY_READ | DELETE | view_, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    RegistryKey child;
    child.Adopt(opened, view_);
    // Always index 0: each deletion shifts the remaining subkeys down.
    wchar_t name[kMaxKeyNameLength];
    for (;;) {
        DWORD name_length = kMaxKeyNameLength;
        if (::RegEnumKeyExW(child.handle_, 0, name, &name_length, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            break;
        }
        status = child.DeleteTree(name);
        if (status != ERROR_SUCCESS) {
            return status;
        }
    }
    return DeleteOpenKey(child.handle_);
}

}  // namespace zu
