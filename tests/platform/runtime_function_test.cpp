#include "platform/runtime_function.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace zu {
namespace {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length);
}

// The file a loaded module came from, "" when the address lies in none.
std::wstring ModulePathOf(FARPROC function) {
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(function), &module) ||
        ::GetModuleFileNameW(module, path, MAX_PATH) == 0) {
        return std::wstring();
    }
    return path;
}

// Libraries that every supported Windows has come from the system folder; a
// missing library or function gives null, which callers treat as failure.
TEST(SystemLibrary, LoadsFromTheSystemFolderOrGivesNull) {
    const struct {
        const wchar_t* library;
        const char* function;
        bool found;
    } kRows[] = {
        {L"wintrust.dll", "WinVerifyTrust", true},
        {L"crypt32.dll", "CryptQueryObject", true},
        {L"psapi.dll", "EnumProcessModules", true},
        {L"version.dll", "VerQueryValueW", true},
        {L"version.dll", "NoSuchFunction", false},
        {L"no-such-library.dll", "WinVerifyTrust", false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.function);
        const SystemLibrary library(row.library);
        const FARPROC function = library.Find<FARPROC>(row.function);
        ASSERT_EQ(row.found, function != nullptr);
        if (function != nullptr) {
            const std::wstring expected = SystemFolder() + L"\\" + row.library;
            EXPECT_EQ(0, ::lstrcmpiW(expected.c_str(), ModulePathOf(function).c_str()));
        }
    }
}

}  // namespace
}  // namespace zu
