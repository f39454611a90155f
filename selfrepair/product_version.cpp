#include "selfrepair/product_version.h"

#include <windows.h>

#include <algorithm>

#include "platform/runtime_function.h"
#include "platform/scoped_handle.h"

namespace zu {

namespace {

struct LanguageAndCodePage {
    WORD language;
    WORD code_page;
};

// value as four lower-case hexadecimal digits.
std::wstring Hex4(WORD value) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i) {
        text[i] = kDigits[value & 0xF];
        value = static_cast<WORD>(value >> 4);
    }
    return text;
}

// version.dll comes from the system folder on first use and stays loaded; a
// DLL or function that cannot be loaded leaves its pointer null.
struct VersionFunctions {
    decltype(&::GetFileVersionInfoSizeW) get_size;
    decltype(&::GetFileVersionInfoW) get_info;
    decltype(&::VerQueryValueW) query_value;
};

VersionFunctions LoadVersionFunctions() {
    static const SystemLibrary version(L"version.dll");
    VersionFunctions functions;
    functions.get_size =
        version.Find<decltype(&::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    functions.get_info = version.Find<decltype(&::GetFileVersionInfoW)>("GetFileVersionInfoW");
    functions.query_value = version.Find<decltype(&::VerQueryValueW)>("VerQueryValueW");
    return functions;
}

const VersionFunctions& Version() {
    static const VersionFunctions functions = LoadVersionFunctions();
    return functions;
}

}  // namespace

std::wstring GetProductVersion(const std::wstring& path) {
    const VersionFunctions& version = Version();
    if (!version.get_size || !version.get_info || !version.query_value) {
        return std::wstring();
    }
    DWORD ignored = 0;
    const DWORD bytes = version.get_size(path.c_str(), &ignored);
    if (bytes == 0) {
        return std::wstring();
    }
    UniqueLocalMemory block(::LocalAlloc(LPTR, bytes));
    if (!block || !version.get_info(path.c_str(), 0, bytes, block.Get())) {
        return std::wstring();
    }
    void* translation = nullptr;
    UINT translation_bytes = 0;
    if (!version.query_value(block.Get(), L"\\VarFileInfo\\Translation", &translation,
                             &translation_bytes) ||
        translation == nullptr || translation_bytes < sizeof(LanguageAndCodePage)) {
        return std::wstring();
    }
    const auto* first = static_cast<const LanguageAndCodePage*>(translation);
    const std::wstring query = L"\\StringFileInfo\\" + Hex4(first->language) +
                               Hex4(first->code_page) + L"\\ProductVersion";
    void* value = nullptr;
    UINT characters = 0;
    if (!version.query_value(block.Get(), query.c_str(), &value, &characters) || value == nullptr) {
        return std::wstring();
    }
    // The resource comes from the file: never read past the length it gives.
    const auto* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, std::find(text, text + characters, L'\0'));
}

}  // namespace zu
