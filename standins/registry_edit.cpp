#include "standins/registry_edit.h"

#include <algorithm>
#include <vector>

#include "platform/scoped_handle.h"

namespace zu::standin {
namespace {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
using UniqueKey = ScopedHandle<RegistryKeyTraits>;

using RegDeleteKeyExWFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

// 32-bit Windows XP lacks RegDeleteKeyExW, and has only one view.
LONG DeleteOneKey(HKEY parent, const wchar_t* name, REGSAM view) {
    const auto delete_ex = reinterpret_cast<RegDeleteKeyExWFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    return delete_ex != nullptr ? delete_ex(parent, name, view, 0) : ::RegDeleteKeyW(parent, name);
}

bool DeleteChildren(HKEY key, REGSAM view) {
    for (;;) {
        wchar_t name[256] = {};
        DWORD length = 256;
        const LONG status =
            ::RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (status != ERROR_SUCCESS) {
            return false;
        }
        HKEY child_handle = nullptr;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ | DELETE | view, &child_handle) !=
            ERROR_SUCCESS) {
            return false;
        }
        UniqueKey child(child_handle);
        if (!DeleteChildren(child.Get(), view) || DeleteOneKey(key, name, view) != ERROR_SUCCESS) {
            return false;
        }
    }
}

bool SetValue(HKEY root,
              const std::wstring& key,
              REGSAM view,
              const std::wstring& name,
              DWORD type,
              const void* data,
              DWORD bytes) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    UniqueKey opened(handle);
    return ::RegSetValueExW(opened.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                            bytes) == ERROR_SUCCESS;
}

}  // namespace

bool SetStringValue(HKEY root,
                    const std::wstring& key,
                    REGSAM view,
                    const std::wstring& name,
                    const std::wstring& data) {
    return SetValue(root, key, view, name, REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

bool SetDwordValue(HKEY root,
                   const std::wstring& key,
                   REGSAM view,
                   const std::wstring& name,
                   DWORD value) {
    return SetValue(root, key, view, name, REG_DWORD, &value, sizeof(value));
}

bool DeleteValue(HKEY root, const std::wstring& key, REGSAM view, const std::wstring& name) {
    HKEY handle = nullptr;
    const LONG status = ::RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE | view, &handle);
    if (status == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    UniqueKey opened(handle);
    const LONG deleted = ::RegDeleteValueW(opened.Get(), name.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

bool DeleteKeyTree(HKEY root, const std::wstring& key, REGSAM view) {
    HKEY handle = nullptr;
    const LONG status = ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | DELETE | view, &handle);
    if (status == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    UniqueKey opened(handle);
    if (!DeleteChildren(opened.Get(), view)) {
        return false;
    }
    opened.Reset();
    return DeleteOneKey(root, key.c_str(), view) == ERROR_SUCCESS;
}

bool AddPendingDelete(const std::wstring& source) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        &handle) != ERROR_SUCCESS) {
        return false;
    }
    UniqueKey key(handle);
    // Keep the existing strings (each with its NUL; an empty target is a lone
    // NUL), without the NUL that ends the whole list.
    std::vector<wchar_t> list;
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Get(), kPendingRenames, nullptr, &type, nullptr, &bytes) ==
            ERROR_SUCCESS &&
        type == REG_MULTI_SZ && bytes >= sizeof(wchar_t)) {
        list.resize(bytes / sizeof(wchar_t));
        ::RegQueryValueExW(key.Get(), kPendingRenames, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(list.data()), &bytes);
        list.resize(bytes / sizeof(wchar_t));
        if (list.size() >= 2 && list[list.size() - 1] == L'\0' && list[list.size() - 2] == L'\0') {
            list.pop_back();
        }
        if (std::all_of(list.begin(), list.end(), [](wchar_t c) { return c == L'\0'; })) {
            list.clear();
        }
    }
    list.insert(list.end(), source.begin(), source.end());
    list.insert(list.end(), {L'\0', L'\0', L'\0'});
    return ::RegSetValueExW(key.Get(), kPendingRenames, 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(list.data()),
                            static_cast<DWORD>(list.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace zu::standin
