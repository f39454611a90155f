#include "ui/localized_strings.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "platform/runtime_function.h"

namespace zu {
namespace {

constexpr LANGID kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr UINT kStringsPerBlock = 16;
constexpr UINT kLargestStringId = 0xFFFF;

using PreferredUiLanguagesFunction = decltype(&::GetUserPreferredUILanguages);
using DefaultUiLanguageFunction = decltype(&::GetUserDefaultUILanguage);

// Copies entry index of a string block (each entry a length, then that many
// characters) to text. False, text untouched, when the entry is empty or does not
// lie wholly inside the block's block_length characters.
bool CopyBlockEntry(const WCHAR* block, size_t block_length, UINT index, std::wstring* text) {
    size_t position = 0;
    for (UINT skipped = 0; skipped < index; ++skipped) {
        if (position >= block_length) {
            return false;
        }
        position += 1 + block[position];
    }
    if (position >= block_length) {
        return false;
    }
    const size_t length = block[position];
    if (length == 0 || length > block_length - position - 1) {
        return false;
    }
    text->assign(block + position + 1, length);
    return true;
}

// Appends each string of a multi-string, followed by a comma, stopping at the
// empty string that ends it or after size characters, whichever comes first.
void AppendMultiString(const wchar_t* strings, size_t size, std::wstring* list) {
    const wchar_t* const end = strings + size;
    const wchar_t* cursor = strings;
    while (cursor < end && *cursor != L'\0') {
        const wchar_t* const terminator = std::find(cursor, end, L'\0');
        list->append(cursor, terminator);
        list->push_back(L',');
        cursor = (terminator == end) ? end : terminator + 1;
    }
}

// Asks one of the Vista preferred-UI-language functions for its list of
// four-digit ids. False, list untouched, when either call fails.
bool ReadPreferredLanguages(PreferredUiLanguagesFunction preferred, std::wstring* list) {
    ULONG count = 0;
    ULONG size = 0;
    if (!preferred(MUI_LANGUAGE_ID, &count, nullptr, &size) || size == 0) {
        return false;
    }
    std::vector<wchar_t> buffer(size, L'\0');
    if (!preferred(MUI_LANGUAGE_ID, &count, buffer.data(), &size)) {
        return false;
    }
    std::wstring languages;
    AppendMultiString(buffer.data(), std::min<size_t>(size, buffer.size()), &languages);
    *list = std::move(languages);
    return true;
}

// Windows XP knows one UI language per user and system, not a list: it stands in
// as a list of one, in lower case without leading zeros ("411,"). False, list
// untouched, when the language is 0.
bool FormatSingleLanguage(LANGID language, std::wstring* list) {
    if (language == 0) {
        return false;
    }
    wchar_t text[8] = {};
    // One short of the buffer: _snwprintf leaves out the terminator when it fills it.
    _snwprintf(text, sizeof(text) / sizeof(text[0]) - 1, L"%x,", static_cast<unsigned>(language));
    *list = text;
    return true;
}

// Looked up, never imported: Windows XP lacks the preferred-language functions.
// Kernel32 is found by module name because Windows may live outside
// C:\Windows (an upgraded installation in C:\WINNT).
bool GetUiLanguageList(const char* preferred_name,
                       DefaultUiLanguageFunction default_language,
                       std::wstring* list) {
    const auto preferred =
        FindLoadedFunctionAs<PreferredUiLanguagesFunction>(L"kernel32.dll", preferred_name);
    if (preferred != nullptr) {
        return ReadPreferredLanguages(preferred, list);
    }
    return FormatSingleLanguage(default_language(), list);
}

// The language id of a list field, read as hexadecimal; 0 when it is not a number.
LANGID ParseLanguage(const std::wstring& field) {
    const wchar_t* digits = field.c_str();
    wchar_t* end = nullptr;
    const unsigned long language = std::wcstoul(digits, &end, 16);
    return end != digits ? static_cast<LANGID>(language) : 0;
}

}  // namespace

bool LoadLocalizedString(std::wstring* text, UINT id) {
    text->clear();
    std::wstring user_languages;
    std::wstring system_languages;
    GetUserUiLanguageList(&user_languages);
    GetSystemUiLanguageList(&system_languages);
    const std::wstring languages = user_languages + system_languages;
    std::wstring field;
    for (size_t index = 0; GetListField(index, languages, &field); ++index) {
        if (!field.empty() && LoadStringForLanguage(ParseLanguage(field), id, text)) {
            return true;
        }
    }
    return LoadStringForLanguage(kEnglishUnitedStates, id, text);
}

bool LoadStringForLanguage(LANGID language, UINT id, std::wstring* text) {
    // A neutral language would let the resource loader pick a table of its own
    // choosing; an unparsable list field arrives here as 0.
    if (PRIMARYLANGID(language) == LANG_NEUTRAL || id > kLargestStringId) {
        return false;
    }
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource =
        ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / kStringsPerBlock + 1), language);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = ::LoadResource(module, resource);
    const auto* block = static_cast<const WCHAR*>(loaded ? ::LockResource(loaded) : nullptr);
    if (block == nullptr) {
        return false;
    }
    const size_t block_length = ::SizeofResource(module, resource) / sizeof(WCHAR);
    return CopyBlockEntry(block, block_length, id % kStringsPerBlock, text);
}

bool GetUserUiLanguageList(std::wstring* list) {
    return GetUiLanguageList("GetUserPreferredUILanguages", &::GetUserDefaultUILanguage, list);
}

bool GetSystemUiLanguageList(std::wstring* list) {
    return GetUiLanguageList("GetSystemPreferredUILanguages", &::GetSystemDefaultUILanguage, list);
}

bool GetListField(size_t index, const std::wstring& list, std::wstring* field) {
    size_t start = 0;
    for (size_t skipped = 0; skipped < index; ++skipped) {
        const size_t comma = list.find(L',', start);
        if (comma == std::wstring::npos) {
            field->clear();
            return false;
        }
        start = comma + 1;
    }
    const size_t end = list.find(L',', start);
    field->assign(list, start, end == std::wstring::npos ? std::wstring::npos : end - start);
    return true;
}

}  // namespace zu
