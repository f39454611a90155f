#include "ui/localized_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/import_patch.h"

namespace zu {
namespace {

constexpr LANGID kEnglish = 0x409;
constexpr LANGID kFrench = 0x40c;
constexpr LANGID kJapanese = 0x411;
constexpr wchar_t kEnglishInstalling[] = L"Installing ZEMI Update...";

std::wstring Localized(UINT id) {
    std::wstring text;
    LoadLocalizedString(&text, id);
    return text;
}

std::wstring ForLanguage(LANGID language, UINT id) {
    std::wstring text;
    LoadStringForLanguage(language, id, &text);
    return text;
}

// ---------------------------------------------------------------------------
// A kernel32 whose preferred-UI-language functions answer what a test sets, or
// are missing as on Windows XP: the program's import of GetProcAddress is
// pointed at FakeGetProcAddress.

struct FakeUiLanguages {
    bool exported = true;
    bool fails = false;
    std::wstring user;  // the multi-string as returned, NULs included
    std::wstring system;
    // When set, the filling call reports this size although it wrote the whole
    // multi-string: what lies beyond the reported size must not be read.
    ULONG reported_size = 0;
};

FakeUiLanguages g_fake;
decltype(&::GetProcAddress) g_real_get_proc_address = nullptr;

std::wstring MultiString(std::initializer_list<const wchar_t*> strings) {
    std::wstring result;
    for (const wchar_t* string : strings) {
        result += string;
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

BOOL Answer(const std::wstring& strings, DWORD flags, PZZWSTR buffer, PULONG size) {
    if (g_fake.fails || flags != MUI_LANGUAGE_ID) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ULONG needed = static_cast<ULONG>(strings.size());
    if (buffer != nullptr) {
        if (*size < needed) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::copy(strings.begin(), strings.end(), buffer);
        *size = g_fake.reported_size != 0 ? g_fake.reported_size : needed;
        return TRUE;
    }
    *size = needed;
    return TRUE;
}

BOOL WINAPI FakeUserPreferred(DWORD flags, PULONG, PZZWSTR buffer, PULONG size) {
    return Answer(g_fake.user, flags, buffer, size);
}

BOOL WINAPI FakeSystemPreferred(DWORD flags, PULONG, PZZWSTR buffer, PULONG size) {
    return Answer(g_fake.system, flags, buffer, size);
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name) {
    if (!IS_INTRESOURCE(name) && module == ::GetModuleHandleW(L"kernel32.dll")) {
        FARPROC fake = nullptr;
        if (std::strcmp(name, "GetUserPreferredUILanguages") == 0) {
            fake = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeUserPreferred));
        } else if (std::strcmp(name, "GetSystemPreferredUILanguages") == 0) {
            fake = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeSystemPreferred));
        }
        if (fake != nullptr) {
            return g_fake.exported ? fake : nullptr;
        }
    }
    return g_real_get_proc_address(module, name);
}

class LocalizedStringsFakeKernel : public testing::Test {
  protected:
    void SetUp() override {
        g_fake = FakeUiLanguages();
        patch_ = std::make_unique<test::ScopedImportPatch>(
            "kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(&FakeGetProcAddress));
        ASSERT_TRUE(patch_->active());
        g_real_get_proc_address = reinterpret_cast<decltype(&::GetProcAddress)>(patch_->original());
    }

    std::unique_ptr<test::ScopedImportPatch> patch_;
};

TEST_F(LocalizedStringsFakeKernel, LanguageLists_SeveralLanguages_InOrderEachWithComma) {
    g_fake.user = MultiString({L"0411", L"0409"});
    g_fake.system = MultiString({L"0C0A"});
    std::wstring user;
    std::wstring system;
    EXPECT_TRUE(GetUserUiLanguageList(&user));
    EXPECT_TRUE(GetSystemUiLanguageList(&system));
    EXPECT_EQ(L"0411,0409,", user);
    EXPECT_EQ(L"0C0A,", system);
}

TEST_F(LocalizedStringsFakeKernel, UserLanguageList_ReadOnlyUpToListEndOrReturnedSize) {
    std::wstring list;
    g_fake.user = MultiString({L"0411", L"0409"});
    g_fake.reported_size = 4;  // "0411" without its terminator
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"0411,", list);
    g_fake.reported_size = 0;

    // Whatever follows the empty string that ends the list is not read.
    g_fake.user = MultiString({L"0412"}) + L"0409";
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"0412,", list);
}

TEST_F(LocalizedStringsFakeKernel, LanguageLists_FunctionsFail_FalseListsUntouchedEnglishText) {
    g_fake.fails = true;
    std::wstring list = L"kept";
    EXPECT_FALSE(GetUserUiLanguageList(&list));
    EXPECT_FALSE(GetSystemUiLanguageList(&list));
    EXPECT_EQ(L"kept", list);
    EXPECT_EQ(kEnglishInstalling, Localized(IDS_INSTALLING));
}

TEST_F(LocalizedStringsFakeKernel, WindowsXp_NoPreferredFunctions_DefaultLanguageInLowerCase) {
    g_fake.exported = false;
    std::wstring user;
    std::wstring system;
    EXPECT_TRUE(GetUserUiLanguageList(&user));
    EXPECT_TRUE(GetSystemUiLanguageList(&system));
    EXPECT_EQ(L"409,", user);  // the default ctest entry runs with an English UI
    EXPECT_EQ(L"409,", system);
}

// 0C0C (French (Canada)) has no table and no neutral French is tried; 140C is
// read whole, not as French 040C; an unparsable field does not let the resource
// loader choose; the system's Japanese comes next.
TEST_F(LocalizedStringsFakeKernel,
       LoadLocalizedString_UserLanguagesWithoutTable_SystemLanguageWins) {
    g_fake.user = MultiString({L"0C0C", L"140C", L"zz"});
    g_fake.system = MultiString({L"0411", L"0409"});
    const std::wstring japanese = ForLanguage(kJapanese, IDS_INSTALLING);
    ASSERT_FALSE(japanese.empty());
    EXPECT_EQ(japanese, Localized(IDS_INSTALLING));
}

TEST_F(LocalizedStringsFakeKernel, LoadLocalizedString_NoListedLanguageHasTable_English) {
    g_fake.user = MultiString({L"040A", L"1004"});
    g_fake.system = MultiString({L"0C0C"});
    EXPECT_EQ(kEnglishInstalling, Localized(IDS_INSTALLING));
}

// ---------------------------------------------------------------------------
// Wine's own answers, with the English UI of the default ctest entry.

TEST(LocalizedStrings, LoadLocalizedString_EnglishUi_EnglishTextFromFourDigitList) {
    std::wstring list;
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"0409,", list);
    EXPECT_EQ(kEnglishInstalling, Localized(IDS_INSTALLING));
    EXPECT_EQ(L"Segoe UI", Localized(IDS_FONT_FACE));
}

TEST(LocalizedStrings, LoadLocalizedString_IdInNoTable_FalseAndEmptied) {
    std::wstring text = L"previous";
    EXPECT_FALSE(LoadLocalizedString(&text, 1009));
    EXPECT_EQ(L"", text);
}

TEST(LocalizedStrings, LoadStringForLanguage_NeutralOrMissingLanguageOrBadId_FalseTextUntouched) {
    std::wstring text = L"previous";
    EXPECT_FALSE(LoadStringForLanguage(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), 1004, &text));
    EXPECT_FALSE(LoadStringForLanguage(MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), 1004, &text));
    EXPECT_FALSE(LoadStringForLanguage(0xc0c, IDS_INSTALLING, &text));
    EXPECT_FALSE(LoadStringForLanguage(kEnglish, 1009, &text));
    EXPECT_FALSE(LoadStringForLanguage(kEnglish, 0x100000 + IDS_INSTALLING, &text));
    EXPECT_EQ(L"previous", text);
}

TEST(LocalizedStrings, LoadStringForLanguage_EntryRunsPastBlockEnd_NotFound) {
    constexpr LANGID kArabic = 0x401;  // test data in malformed_string_block.rc
    EXPECT_EQ(L"ab", ForLanguage(kArabic, 0xFFF0));
    std::wstring text;
    EXPECT_FALSE(LoadStringForLanguage(kArabic, 0xFFF1, &text));
    EXPECT_FALSE(LoadStringForLanguage(kArabic, 0xFFF2, &text));
    EXPECT_EQ(L"", text);
}

TEST(LocalizedStrings, EveryLanguageTable_HoldsEveryTextWithItsFontFaces) {
    struct Table {
        LANGID language;
        const wchar_t* face_xp;
        const wchar_t* face;
    };
    std::vector<Table> tables = {
        {0x404, L"Microsoft JhengHei", L"Microsoft JhengHei"},
        {0x411, L"MS UI Gothic", L"Meiryo"},
        {0x412, L"Malgun Gothic", L"Malgun Gothic"},
        {0x41e, L"Leelawadee", L"Leelawadee"},
        {0x804, L"Microsoft YaHei", L"Microsoft YaHei"},
    };
    for (LANGID segoe : {0x402, 0x405, 0x407, 0x408, 0x409, 0x40c, 0x40e, 0x410, 0x413, 0x415,
                         0x416, 0x418, 0x419, 0x41b, 0x41f, 0x422, 0xc0a}) {
        tables.push_back({segoe, L"Segoe UI", L"Segoe UI"});
    }
    const UINT kSameInEveryLanguage[] = {IDS_PRODUCT_NAME, IDS_WINDOW_CLASS, IDS_LAYOUT_1001,
                                         IDS_LAYOUT_1003};
    const UINT kTranslated[] = {IDS_OK,
                                IDS_INSTALLING,
                                IDS_REQUIRES_XP_SP2,
                                IDS_CAPTION,
                                IDS_SELECT_LOCATION,
                                IDS_RESTART_AFTER_UNINSTALL,
                                IDS_RESTART_REQUIRED,
                                IDS_INSTALL_COMPLETE,
                                IDS_WINDOWS_UPDATE_RUNNING,
                                IDS_WINDOWS_UPDATE_SCHEDULED,
                                IDS_CANCEL,
                                IDS_NEWER_VERSION_INSTALLED};
    for (const Table& table : tables) {
        SCOPED_TRACE(testing::Message() << "language 0x" << std::hex << table.language);
        EXPECT_EQ(table.face_xp, ForLanguage(table.language, IDS_FONT_FACE_XP));
        EXPECT_EQ(table.face, ForLanguage(table.language, IDS_FONT_FACE));
        for (UINT id : kSameInEveryLanguage) {
            EXPECT_EQ(ForLanguage(kEnglish, id), ForLanguage(table.language, id)) << id;
        }
        for (UINT id : kTranslated) {
            EXPECT_FALSE(ForLanguage(table.language, id).empty()) << id;
        }
    }
}

TEST(LocalizedStrings, GetListField_EdgesOfTheList) {
    std::wstring field = L"previous";
    EXPECT_TRUE(GetListField(0, L"", &field));
    EXPECT_EQ(L"", field);
    EXPECT_FALSE(GetListField(1, L"", &field));

    const std::wstring list = L"0411,,1004,";
    EXPECT_TRUE(GetListField(0, list, &field));
    EXPECT_EQ(L"0411", field);
    EXPECT_TRUE(GetListField(1, list, &field));
    EXPECT_EQ(L"", field);
    EXPECT_TRUE(GetListField(2, list, &field));
    EXPECT_EQ(L"1004", field);
    EXPECT_TRUE(GetListField(3, list, &field));  // the empty text after the last comma
    EXPECT_EQ(L"", field);
    field = L"previous";
    EXPECT_FALSE(GetListField(4, list, &field));
    EXPECT_EQ(L"", field);
}

// ---------------------------------------------------------------------------
// Bound to a UI language: they run in the ctest entries that set LC_ALL for
// them and are skipped in the others.

bool UiLocaleIs(const char* locale) {
    const char* value = std::getenv("LC_ALL");
    return value != nullptr && std::strcmp(value, locale) == 0;
}

TEST(LocalizedStringsUnderJapaneseUi, LoadLocalizedString_JapaneseTextsAndFaces) {
    if (!UiLocaleIs("ja_JP.UTF-8")) {
        GTEST_SKIP() << "runs with LC_ALL=ja_JP.UTF-8";
    }
    ASSERT_EQ(kJapanese, ::GetUserDefaultUILanguage());
    std::wstring list;
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"0411,", list);
    EXPECT_EQ(ForLanguage(kJapanese, IDS_INSTALLING), Localized(IDS_INSTALLING));
    EXPECT_NE(kEnglishInstalling, Localized(IDS_INSTALLING));
    EXPECT_EQ(L"Meiryo", Localized(IDS_FONT_FACE));
    EXPECT_EQ(L"MS UI Gothic", Localized(IDS_FONT_FACE_XP));
}

class LocalizedStringsUnderJapaneseUiOnXp : public LocalizedStringsFakeKernel {};

TEST_F(LocalizedStringsUnderJapaneseUiOnXp, LoadLocalizedString_ShortFormListPicksJapanese) {
    if (!UiLocaleIs("ja_JP.UTF-8")) {
        GTEST_SKIP() << "runs with LC_ALL=ja_JP.UTF-8";
    }
    ASSERT_EQ(kJapanese, ::GetUserDefaultUILanguage());
    g_fake.exported = false;
    std::wstring list;
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"411,", list);
    EXPECT_EQ(L"MS UI Gothic", Localized(IDS_FONT_FACE_XP));
}

TEST(LocalizedStringsUnderFrenchCanadaUi, LoadLocalizedString_NoNeutralFrench_English) {
    if (!UiLocaleIs("fr_CA.UTF-8")) {
        GTEST_SKIP() << "runs with LC_ALL=fr_CA.UTF-8";
    }
    ASSERT_EQ(0xc0c, ::GetUserDefaultUILanguage());
    std::wstring list;
    EXPECT_TRUE(GetUserUiLanguageList(&list));
    EXPECT_EQ(L"0C0C,", list);
    ASSERT_FALSE(ForLanguage(kFrench, IDS_INSTALLING).empty());
    EXPECT_EQ(kEnglishInstalling, Localized(IDS_INSTALLING));
}

}  // namespace
}  // namespace zu
