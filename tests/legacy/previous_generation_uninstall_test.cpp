#include "legacy/previous_generation_uninstall.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "platform/registry_key.h"
#include "tests/support/file_fixture.h"
#include "tests/support/folder_security_recorder.h"
#include "tests/support/import_patch.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"

namespace zu {
namespace {

using namespace std::string_literals;

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
constexpr wchar_t kRunOnce[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
constexpr wchar_t kLaunchInstaller[] = L"LaunchInstaller";
constexpr REGSAM kDefaultView = 0;
constexpr DWORD kRunOnceDataBytes = 520;

std::vector<BYTE> Bytes(const std::wstring& text) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(begin, begin + text.size() * sizeof(wchar_t));
}

// Writes a value of exactly these bytes into an existing key. The system adds
// a null to string data that lacks one when a null happens to follow it in
// memory, so the bytes are followed by characters that are not null.
void PutExactly(const wchar_t* key_path,
                REGSAM view,
                const wchar_t* name,
                DWORD type,
                const std::vector<BYTE>& data) {
    std::vector<BYTE> padded = data;
    padded.insert(padded.end(), {'x', 'x', 'x', 'x'});
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_SET_VALUE | view));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.Handle(), name, 0, type, padded.data(),
                                              static_cast<DWORD>(data.size())));
}

// Sources and targets as the session manager keeps them.
const std::wstring kProductDelete = L"\\??\\C:\\Program Files\\Koru\\ZEMI Update 5\\DARiziz.exe";
const std::wstring kProductRename = L"\\??\\C:\\Program Files\\Koru\\ZEMI Update\\ZEMIUpdt.tmp";
const std::wstring kProductRenameTarget =
    L"\\??\\C:\\Program Files\\Koru\\ZEMI Update\\ZEMIUpdt.exe";
const std::wstring kOtherSource = L"\\??\\C:\\Program Files\\Other Vendor\\driver.tmp";
const std::wstring kOtherTarget = L"\\??\\C:\\Windows\\system32\\driver.sys";

// The session manager's value is saved and put back around every test.
class PendingRenamesTest : public testing::Test {
  protected:
    void SetUp() override {
        saved_ =
            test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, kDefaultView, kPendingRenames);
    }
    void TearDown() override {
        test::PutValue(HKEY_LOCAL_MACHINE, kSessionManager, kDefaultView, kPendingRenames, saved_);
    }

    static void Put(const test::RegistryValue& value) {
        PutExactly(kSessionManager, kDefaultView, kPendingRenames, value.type, value.data);
        const std::optional<test::RegistryValue> stored = Stored();
        ASSERT_TRUE(stored.has_value());
        ASSERT_EQ(value.data, stored->data);
    }
    static void PutList(const std::wstring& list) { Put({REG_MULTI_SZ, Bytes(list)}); }
    static std::optional<test::RegistryValue> Stored() {
        return test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, kDefaultView, kPendingRenames);
    }

    // Cleans list and expects exactly expected back, with its nulls.
    static void ExpectCleanedTo(const std::wstring& list, const std::wstring& expected) {
        PutList(list);
        EXPECT_TRUE(CleanPendingRenames());
        const std::optional<test::RegistryValue> stored = Stored();
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(DWORD{REG_MULTI_SZ}, stored->type);
        EXPECT_EQ(Bytes(expected), stored->data);
    }

    // A value that is not a list of pairs is left as it is.
    static void ExpectLeftAlone(const test::RegistryValue& value) {
        SCOPED_TRACE(testing::Message()
                     << "type " << value.type << ", " << value.data.size() << " bytes");
        Put(value);
        EXPECT_FALSE(CleanPendingRenames());
        const std::optional<test::RegistryValue> stored = Stored();
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(value.type, stored->type);
        EXPECT_EQ(value.data, stored->data);
    }

    std::optional<test::RegistryValue> saved_;
};

TEST_F(PendingRenamesTest, CleanPendingRenames_FirstAndThirdOfThreePairsProducts_KeepsSecond) {
    ExpectCleanedTo(kProductDelete + L"\0\0"s + kOtherSource + L"\0"s + kOtherTarget + L"\0"s +
                        kProductRename + L"\0"s + kProductRenameTarget + L"\0\0"s,
                    kOtherSource + L"\0"s + kOtherTarget + L"\0\0"s);
}

// Only the source decides, and only in the product's own spelling.
TEST_F(PendingRenamesTest, CleanPendingRenames_ProductOnlyInTargetOrOtherCase_ListUnchanged) {
    const std::wstring list = kOtherSource + L"\0"s + kProductRenameTarget + L"\0"s +
                              L"\\??\\C:\\Program Files\\Koru\\zemi update 5\\x.dll\0\0\0"s;
    ExpectCleanedTo(list, list);
}

TEST_F(PendingRenamesTest, CleanPendingRenames_AdjacentProductPairs_AllGoListKeepsItsEnd) {
    ExpectCleanedTo(kProductDelete + L"\0\0"s + kProductRename + L"\0"s + kProductRenameTarget +
                        L"\0"s + kOtherSource + L"\0\0"s + kProductDelete + L"\0\0\0"s,
                    kOtherSource + L"\0\0\0"s);
    ExpectCleanedTo(kProductDelete + L"\0\0"s + kProductRename + L"\0\0\0"s, L"\0"s);
}

// A list that ends in a source without its target: the pair goes, the list's
// final null stays, and nothing beyond the value is touched.
TEST_F(PendingRenamesTest, CleanPendingRenames_LastSourceWithoutTarget_ListStillEndsInNulls) {
    ExpectCleanedTo(kOtherSource + L"\0"s + kOtherTarget + L"\0"s + kProductDelete + L"\0\0"s,
                    kOtherSource + L"\0"s + kOtherTarget + L"\0\0"s);
    ExpectCleanedTo(kProductDelete + L"\0\0"s, L"\0"s);
    ExpectCleanedTo(kOtherSource + L"\0\0"s, kOtherSource + L"\0\0"s);
}

TEST_F(PendingRenamesTest, CleanPendingRenames_MalformedOrOtherValues_LeftAlone) {
    const std::wstring list = kProductDelete + L"\0\0\0"s;
    std::vector<BYTE> odd = Bytes(list);
    odd.push_back(0);
    ExpectLeftAlone({REG_MULTI_SZ, odd});
    ExpectLeftAlone({REG_MULTI_SZ, Bytes(kProductDelete)});                   // no null at all
    ExpectLeftAlone({REG_MULTI_SZ, Bytes(kProductDelete + L"\0"s + L"x"s)});  // ends in a character
    ExpectLeftAlone({REG_MULTI_SZ, Bytes(kOtherSource + L"\0"s + kProductDelete + L"\0"s)});
    ExpectLeftAlone({REG_MULTI_SZ, {}});
    ExpectLeftAlone({REG_MULTI_SZ, Bytes(L"\0"s)});
    ExpectLeftAlone({REG_SZ, Bytes(kProductDelete + L"\0"s)});
    ExpectLeftAlone({REG_BINARY, Bytes(list)});
}

TEST_F(PendingRenamesTest, CleanPendingRenames_NoValue_FalseAndNoneCreated) {
    test::PutValue(HKEY_LOCAL_MACHINE, kSessionManager, kDefaultView, kPendingRenames,
                   std::nullopt);
    EXPECT_FALSE(CleanPendingRenames());
    EXPECT_FALSE(Stored().has_value());
}

// RunOnce values are added by the tests under names of their own and removed
// afterwards in both views, whatever the code under test left.
class RunOnceTest : public testing::Test {
  protected:
    void TearDown() override {
        for (const std::wstring& name : added_) {
            for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
                test::PutValue(HKEY_LOCAL_MACHINE, kRunOnce, view, name.c_str(), std::nullopt);
            }
        }
        test::DeletePath(test::ProgramFiles32() + L"\\InstallShield Installation Information\\" +
                         outside::kProductCodeGen5);
    }

    void Add(REGSAM view,
             const std::wstring& name,
             const std::vector<BYTE>& data,
             DWORD type = REG_SZ) {
        added_.push_back(name);
        PutExactly(kRunOnce, view, name.c_str(), type, data);
        const std::optional<test::RegistryValue> stored =
            test::QueryValue(HKEY_LOCAL_MACHINE, kRunOnce, view, name.c_str());
        ASSERT_TRUE(stored.has_value()) << "could not add a RunOnce value";
        ASSERT_EQ(data.size(), stored->data.size());
    }
    void AddCommand(REGSAM view, const std::wstring& name, const std::wstring& command) {
        Add(view, name, Bytes(command + L"\0"s));
    }
    static bool Has(REGSAM view, const std::wstring& name) {
        return test::ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, view, name.c_str());
    }

    static std::wstring Cache(const wchar_t* code) {
        return test::ProgramFiles32() + L"\\InstallShield Installation Information\\" + code;
    }
    // What an InstallShield setup leaves to finish its uninstall at the next logon.
    static std::wstring SetupCommand(const wchar_t* code) {
        return L"\"" + Cache(code) + L"\\setup.exe\" -runfromtemp -l0x0409 -removeonly";
    }

    // The position of name in the key's enumeration, or -1.
    static int EnumerationIndex(REGSAM view, const std::wstring& name) {
        RegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kRunOnce, KEY_READ | view) != ERROR_SUCCESS) {
            return -1;
        }
        int found = -1;
        std::vector<wchar_t> buffer(20000);
        for (DWORD index = 0; found < 0; ++index) {
            DWORD length = static_cast<DWORD>(buffer.size());
            if (::RegEnumValueW(key.Handle(), index, buffer.data(), &length, nullptr, nullptr,
                                nullptr, nullptr) != ERROR_SUCCESS) {
                break;
            }
            if (name == std::wstring(buffer.data(), length)) {
                found = static_cast<int>(index);
            }
        }
        return found;
    }

    std::vector<std::wstring> added_;
};

TEST_F(RunOnceTest, CleanRunOnceEntries_Generation5And4Setups_DeletedOthersSurvive) {
    AddCommand(kDefaultView, L"zu-test gen5", SetupCommand(outside::kProductCodeGen5));
    std::wstring upper = SetupCommand(outside::kProductCodeGen4);
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    AddCommand(kDefaultView, L"zu-test gen4", upper);
    AddCommand(kDefaultView, L"zu-test gen58", SetupCommand(outside::kProductCodeGen58));
    AddCommand(kDefaultView, L"zu-test gen6", SetupCommand(outside::kProductCodeGen6));
    AddCommand(kDefaultView, L"zu-test other product",
               SetupCommand(L"{11111111-2222-3333-4444-555555555555}"));
    AddCommand(kDefaultView, L"zu-test other setup",
               L"\"C:\\Temp\\" + std::wstring(outside::kProductCodeGen5) + L"\\setup.exe\" /x");
    AddCommand(kDefaultView, L"zu-test no setup",
               L"\"" + Cache(outside::kProductCodeGen5) + L"\\run.exe\"");
    Add(kDefaultView, L"zu-test empty", {});
    Add(kDefaultView, L"zu-test number", {1, 0, 0, 0}, REG_DWORD);

    EXPECT_TRUE(CleanRunOnceEntries(KEY_ALL_ACCESS));
    EXPECT_FALSE(Has(kDefaultView, L"zu-test gen5"));
    EXPECT_FALSE(Has(kDefaultView, L"zu-test gen4"));
    for (const wchar_t* survivor :
         {L"zu-test gen58", L"zu-test gen6", L"zu-test other product", L"zu-test other setup",
          L"zu-test no setup", L"zu-test empty", L"zu-test number"}) {
        EXPECT_TRUE(Has(kDefaultView, survivor)) << "lost a value that is not the old setup's";
    }
}

TEST_F(RunOnceTest, CleanRunOnceEntries_TwoGeneration5Entries_OnlyFirstEnumeratedGoes) {
    AddCommand(kDefaultView, L"zu-test gen5 a", SetupCommand(outside::kProductCodeGen5));
    AddCommand(kDefaultView, L"zu-test gen5 b",
               SetupCommand(outside::kProductCodeGen5) + L" /again");
    const bool a_first = EnumerationIndex(kDefaultView, L"zu-test gen5 a") <
                         EnumerationIndex(kDefaultView, L"zu-test gen5 b");

    EXPECT_TRUE(CleanRunOnceEntries(KEY_ALL_ACCESS));
    EXPECT_NE(a_first, Has(kDefaultView, L"zu-test gen5 a"));
    EXPECT_EQ(a_first, Has(kDefaultView, L"zu-test gen5 b"));
}

// A command that fills the 520-byte buffer without a null is read to the
// buffer's end and no further; a longer one, or a name longer than 259
// characters, is skipped, and the walk goes on with the next value.
TEST_F(RunOnceTest, CleanRunOnceEntries_CommandsAtAndOverBufferSize_ReadWithinBuffer) {
    const size_t characters = kRunOnceDataBytes / sizeof(wchar_t);
    std::wstring full = SetupCommand(outside::kProductCodeGen4);
    ASSERT_LT(full.size(), characters);
    full.resize(characters, L' ');
    Add(kDefaultView, L"zu-test gen4 full buffer", Bytes(full));
    Add(kDefaultView, L"zu-test no null", Bytes(std::wstring(characters, L'x')));
    std::wstring longer = SetupCommand(outside::kProductCodeGen5);
    longer.resize(characters + 1, L' ');
    Add(kDefaultView, L"zu-test 1 gen5 longer", Bytes(longer + L"\0"s));
    const std::wstring long_name = L"zu-test 2 " + std::wstring(300, L'n');
    AddCommand(kDefaultView, long_name, SetupCommand(outside::kProductCodeGen5));
    AddCommand(kDefaultView, L"zu-test 3 gen5 after", SetupCommand(outside::kProductCodeGen5));
    ASSERT_LT(EnumerationIndex(kDefaultView, L"zu-test 1 gen5 longer"),
              EnumerationIndex(kDefaultView, L"zu-test 3 gen5 after"));
    ASSERT_LT(EnumerationIndex(kDefaultView, long_name),
              EnumerationIndex(kDefaultView, L"zu-test 3 gen5 after"));

    EXPECT_TRUE(CleanRunOnceEntries(KEY_ALL_ACCESS));
    EXPECT_FALSE(Has(kDefaultView, L"zu-test gen4 full buffer"));
    EXPECT_TRUE(Has(kDefaultView, L"zu-test no null"));
    EXPECT_TRUE(Has(kDefaultView, L"zu-test 1 gen5 longer"));
    EXPECT_TRUE(Has(kDefaultView, long_name));
    EXPECT_FALSE(Has(kDefaultView, L"zu-test 3 gen5 after"));
}

// A command written with short names is compared in its long form.
TEST_F(RunOnceTest, CleanRunOnceEntries_ShortPathToExistingCache_Deleted) {
    ASSERT_TRUE(::CreateDirectoryW(
                    (test::ProgramFiles32() + L"\\InstallShield Installation Information").c_str(),
                    nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CreateDirectoryW(Cache(outside::kProductCodeGen5).c_str(), nullptr));
    wchar_t short_path[MAX_PATH] = {};
    ASSERT_NE(0u,
              ::GetShortPathNameW(Cache(outside::kProductCodeGen5).c_str(), short_path, MAX_PATH));
    if (std::wstring(short_path) == Cache(outside::kProductCodeGen5)) {
        GTEST_SKIP() << "this file system gives no short names";
    }
    AddCommand(kDefaultView, L"zu-test gen5 short", std::wstring(short_path) + L"\\setup.exe /x");

    EXPECT_TRUE(CleanRunOnceEntries(KEY_ALL_ACCESS));
    EXPECT_FALSE(Has(kDefaultView, L"zu-test gen5 short"));
}

TEST_F(RunOnceTest, CleanRunOnceAllViews_EntriesInBothViews_BothDeleted) {
    AddCommand(KEY_WOW64_32KEY, L"zu-test gen5 32", SetupCommand(outside::kProductCodeGen5));
    AddCommand(KEY_WOW64_64KEY, L"zu-test gen4 64", SetupCommand(outside::kProductCodeGen4));
    AddCommand(KEY_WOW64_64KEY, L"zu-test gen58 64", SetupCommand(outside::kProductCodeGen58));

    EXPECT_TRUE(CleanRunOnceAllViews());
    EXPECT_FALSE(Has(KEY_WOW64_32KEY, L"zu-test gen5 32"));
    EXPECT_FALSE(Has(KEY_WOW64_64KEY, L"zu-test gen4 64"));
    EXPECT_TRUE(Has(KEY_WOW64_64KEY, L"zu-test gen58 64"));
}

// With nothing installed the uninstall stops after the reset of the install
// request, which it makes in both views where the product key exists.
class InstallRequestTest : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_32KEY);
    }
    static std::optional<DWORD> Request(REGSAM view) {
        return test::DwordValue(HKEY_LOCAL_MACHINE, kProductKey, view, kLaunchInstaller);
    }
};

TEST_F(InstallRequestTest, Uninstall_RequestOnlyIn64BitView_BothViewsEndWithZero) {
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, kLaunchInstaller, 7);
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, kLaunchInstaller, 1);

    UninstallPreviousGeneration();
    EXPECT_EQ(std::optional<DWORD>(0), Request(KEY_WOW64_64KEY));
    EXPECT_EQ(std::optional<DWORD>(0), Request(KEY_WOW64_32KEY));
}

TEST_F(InstallRequestTest, Uninstall_RequestOnlyInDefaultView_64BitKeyWithoutValueGetsZero) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "one registry view";
    }
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, kLaunchInstaller, 1);
    test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, L"Version", L"1");

    UninstallPreviousGeneration();
    EXPECT_EQ(std::optional<DWORD>(0), Request(KEY_WOW64_32KEY));
    EXPECT_EQ(std::optional<DWORD>(0), Request(KEY_WOW64_64KEY));
}

TEST_F(InstallRequestTest, Uninstall_NoRequest_ValuesUntouched) {
    // The string "1" is no request: the value is read as four bytes.
    const bool separate = test::RegistryViewsAreSeparate();
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, kLaunchInstaller, 2);
    if (separate) {
        test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, kLaunchInstaller,
                             L"1");
    }

    UninstallPreviousGeneration();
    EXPECT_EQ(std::optional<DWORD>(2), Request(KEY_WOW64_64KEY));
    if (separate) {
        EXPECT_EQ(
            std::optional<std::wstring>(L"1"),
            test::StringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, kLaunchInstaller));
    }
}

TEST_F(InstallRequestTest, Uninstall_RequestWithoutDefaultViewKey_NoKeyCreatedThere) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "one registry view";
    }
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, kLaunchInstaller, 1);

    UninstallPreviousGeneration();
    EXPECT_EQ(std::optional<DWORD>(0), Request(KEY_WOW64_64KEY));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY));
}

// The staging folder is made private, and the staged setup is checked against
// the cache and started while held: a setup swapped in after the copy, as a
// user who could write to the staging folder would, never runs.
decltype(&::SHFileOperationW) g_real_shell_operation = nullptr;
const wchar_t* g_swapped_in = nullptr;

int WINAPI CopyThenSwapSetup(LPSHFILEOPSTRUCTW operation) {
    const int result = g_real_shell_operation(operation);
    if (operation->wFunc == FO_COPY && g_swapped_in != nullptr) {
        const std::wstring staged = std::wstring(operation->pTo) + L"\\setup.exe";
        ::CopyFileW(test::StandinPath(g_swapped_in).c_str(), staged.c_str(), FALSE);
    }
    return result;
}

TEST(StagedSetupTest, Uninstall_SetupSwappedAfterStaging_NeverStarted) {
    const std::wstring staging =
        test::ProgramData() + L"\\Koru Corporation\\ZEMI Update Temp\\" + outside::kProductCodeGen5;
    const std::wstring staged = staging + L"\\setup.exe";
    for (const wchar_t* swapped_in : {static_cast<const wchar_t*>(nullptr), L"DARiziz.exe"}) {
        SCOPED_TRACE(swapped_in != nullptr ? "swapped" : "as staged");
        test::ResetProductState();
        test::ClearJournal();
        test::Machine machine;
        test::GenerationOptions options;
        options.schedule = test::Schedule::kNone;
        options.shortcuts = false;
        options.registrations = false;
        ASSERT_TRUE(machine.InstallGeneration(test::Generation::k5, options));
        g_swapped_in = swapped_in;
        {
            test::FolderSecurityRecorder recorder;
            ASSERT_TRUE(recorder.active());
            test::ScopedImportPatch patch("shell32.dll", "SHFileOperationW",
                                          reinterpret_cast<void*>(&CopyThenSwapSetup));
            ASSERT_TRUE(patch.active());
            g_real_shell_operation =
                reinterpret_cast<decltype(g_real_shell_operation)>(patch.original());
            UninstallPreviousGeneration();
            std::wstring staging_lower = staging;
            ::CharLowerBuffW(staging_lower.data(), static_cast<DWORD>(staging_lower.size()));
            const auto created = recorder.created().find(staging_lower);
            ASSERT_NE(recorder.created().end(), created);
            EXPECT_EQ(test::kPrivateFolderDacl, created->second);
        }
        size_t starts = 0;
        for (const test::JournalRecord& record : test::ReadJournal()) {
            starts += record.is_start && ::lstrcmpiW(record.path.c_str(), staged.c_str()) == 0;
        }
        EXPECT_EQ(swapped_in != nullptr ? 0u : 1u, starts);
    }
    test::ResetProductState();
}

}  // namespace
}  // namespace zu
