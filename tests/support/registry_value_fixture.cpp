#include "tests/support/registry_value_fixture.h"

#include <cstring>

#include "platform/scoped_handle.h"

namespace zu::test {
namespace {

struct RawKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
using RawKey = ScopedHandle<RawKeyTraits>;

RawKey OpenKey(HKEY root, const std::wstring& key, REGSAM access) {
    HKEY handle = nullptr;
    ::RegOpenKeyExW(root, key.c_str(), 0, access, &handle);
    return RawKey(handle);
}

}  // namespace

std::optional<RegistryValue> QueryValue(HKEY root,
                                        const std::wstring& key,
                                        REGSAM view,
                                        const wchar_t* name) {
    RawKey handle = OpenKey(root, key, KEY_READ | view);
    DWORD bytes = 0;
    RegistryValue value;
    if (!handle || ::RegQueryValueExW(handle.Get(), name, nullptr, &value.type, nullptr, &bytes) !=
                       ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(bytes);
    if (::RegQueryValueExW(handle.Get(), name, nullptr, &value.type, value.data.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(bytes);
    return value;
}

void PutValue(HKEY root,
              const std::wstring& key,
              REGSAM view,
              const wchar_t* name,
              const std::optional<RegistryValue>& value) {
    if (!value) {
        if (RawKey handle = OpenKey(root, key, KEY_SET_VALUE | view)) {
            ::RegDeleteValueW(handle.Get(), name);
        }
        return;
    }
    HKEY created = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &created,
                          nullptr) != ERROR_SUCCESS) {
        return;
    }
    RawKey handle(created);
    // Windows adds a null to string data that lacks one when a null happens
    // to follow it in memory: what follows here is not null.
    std::vector<BYTE> padded = value->data;
    padded.insert(padded.end(), {'x', 'x', 'x', 'x'});
    ::RegSetValueExW(handle.Get(), name, 0, value->type, padded.data(),
                     static_cast<DWORD>(value->data.size()));
}

std::optional<DWORD> DwordValue(HKEY root,
                                const std::wstring& key,
                                REGSAM view,
                                const wchar_t* name) {
    const std::optional<RegistryValue> value = QueryValue(root, key, view, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD number = 0;
    memcpy(&number, value->data.data(), sizeof(number));
    return number;
}

std::optional<std::wstring> StringValue(HKEY root,
                                        const std::wstring& key,
                                        REGSAM view,
                                        const wchar_t* name) {
    const std::optional<RegistryValue> value = QueryValue(root, key, view, name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring text(value->data.size() / sizeof(wchar_t), L'\0');
    memcpy(&text[0], value->data.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

}  // namespace zu::test
