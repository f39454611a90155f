#include "launcher/completion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
constexpr wchar_t kScratchKey[] = L"Software\\Koru Corporation\\ZEMI Update Installer";

// A multi-string written as given: the literal's own final null is left out,
// so every null in the data is spelled out by the test.
template <size_t N>
std::wstring Chars(const wchar_t (&literal)[N]) {
    return std::wstring(literal, N - 1);
}

// Puts raw data into the system's pending renames and gives the machine its
// own value back afterwards, whatever it was.
class PendingRenamesTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                                                 KEY_READ | KEY_WRITE, &key_));
        DWORD bytes = 0;
        had_value_ = ::RegQueryValueExW(key_, kPendingRenames, nullptr, &saved_type_, nullptr,
                                        &bytes) == ERROR_SUCCESS;
        if (had_value_) {
            saved_.resize(bytes);
            ::RegQueryValueExW(key_, kPendingRenames, nullptr, &saved_type_, saved_.data(), &bytes);
            saved_.resize(bytes);
        }
        ::RegDeleteValueW(key_, kPendingRenames);
        ClearScratchKey();
    }

    void TearDown() override {
        if (had_value_) {
            ::RegSetValueExW(key_, kPendingRenames, 0, saved_type_, saved_.data(),
                             static_cast<DWORD>(saved_.size()));
        } else {
            ::RegDeleteValueW(key_, kPendingRenames);
        }
        ::RegCloseKey(key_);
        ClearScratchKey();
    }

    static void ClearScratchKey() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY);
    }

    void SetRaw(const void* data, DWORD bytes, DWORD type = REG_MULTI_SZ) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key_, kPendingRenames, 0, type,
                                                  static_cast<const BYTE*>(data), bytes));
    }
    void Set(const std::wstring& data, DWORD type = REG_MULTI_SZ) {
        SetRaw(data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), type);
    }

    void Remove() { ::RegDeleteValueW(key_, kPendingRenames); }

    bool ProductPending(const std::wstring& data) {
        Set(data);
        return HasPendingRenameForProduct(L"ZEMI Update");
    }

  private:
    HKEY key_ = nullptr;
    bool had_value_ = false;
    DWORD saved_type_ = REG_NONE;
    std::vector<BYTE> saved_;
};

TEST_F(PendingRenamesTest, ProductFolderInAnyLetterCase_Counts) {
    EXPECT_TRUE(ProductPending(Chars(L"\\??\\C:\\Program Files\\Koru\\ZEMI Update\\a.dll\0\0\0")));
    EXPECT_TRUE(ProductPending(Chars(L"\\??\\C:\\Program Files\\Koru\\zemi update\\a.dll\0\0\0")));
    EXPECT_TRUE(ProductPending(Chars(L"\\??\\C:\\PROGRAM FILES\\KORU\\Zemi UPDATE\\A.DLL\0\0\0")));
    Set(Chars(L"\\??\\C:\\Program Files\\Koru\\ZEMI Update\\a.dll\0\0\0"));
    EXPECT_TRUE(HasPendingRenameForProduct(L"zemi update"));
}

TEST_F(PendingRenamesTest, ProductEntryAfterOtherRenamesAndDeletions_Counts) {
    // A rename pair, a deletion (empty target), then the product's deletion.
    EXPECT_TRUE(
        ProductPending(Chars(L"\\??\\C:\\a\\x.tmp\0!\\??\\C:\\a\\x.dll\0"
                             L"\\??\\C:\\b\\y.tmp\0\0"
                             L"\\??\\C:\\Koru\\ZEMI Update\\z.dll\0\0\0")));
    // A rename whose target lies in the product folder.
    EXPECT_TRUE(
        ProductPending(Chars(L"\\??\\C:\\Temp\\new.exe\0"
                             L"!\\??\\C:\\Koru\\ZEMI Update\\ZEMIUpdt.exe\0\0")));
    // A rename with a one-character target does not hide what follows it.
    EXPECT_TRUE(ProductPending(Chars(L"\\??\\C:\\a\0b\0\\??\\C:\\Koru\\ZEMI Update\\z\0\0\0")));
}

TEST_F(PendingRenamesTest, OtherProductsAndTheClientsNameAlone_DoNotCount) {
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\Temp\\ZEMIUpdt.exe\0\0\0")));
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\Koru\\ZEMI_Update\\x.dll\0\0\0")));
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\Koru\\ZEMIUpdate\\x.dll\0\0\0")));
    // Entries after the empty string that ends the list are not pending renames.
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\a\0\0\0\0\\??\\C:\\ZEMI Update\\x\0\0\0")));
}

TEST_F(PendingRenamesTest, LastStringRunningToTheEndOfTheValue_IsReadWithinIt) {
    // A deletion at the very end, without the list's own final null: the
    // target's null is the value's last character.
    EXPECT_TRUE(ProductPending(Chars(L"\\??\\C:\\a\0\0\\??\\C:\\Koru\\ZEMI Update\\z\0\0")));
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\a\0\0\\??\\C:\\Koru\\Other\\z\0\0")));
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\a\0\0")));
}

TEST_F(PendingRenamesTest, MalformedOrEmptyValues_DoNotCount) {
    // No terminators at all.
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\Koru\\ZEMI Update\\x.dll")));
    // Only one null after the last string.
    EXPECT_FALSE(ProductPending(Chars(L"\\??\\C:\\a\0\\??\\C:\\Koru\\ZEMI Update\\x.dll\0")));
    // An odd byte count.
    const std::wstring odd = Chars(L"\\??\\C:\\Koru\\ZEMI Update\\x.dll\0\0\0");
    SetRaw(odd.data(), static_cast<DWORD>(odd.size() * sizeof(wchar_t)) - 1);
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    SetRaw(odd.data(), static_cast<DWORD>(odd.size() * sizeof(wchar_t)) + 1);
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    // Empty: no bytes, a single null, only nulls.
    SetRaw(L"", 0);
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    EXPECT_FALSE(ProductPending(Chars(L"\0")));
    EXPECT_FALSE(ProductPending(Chars(L"\0\0\0\0")));
}

TEST_F(PendingRenamesTest, ValueOfAnotherTypeOrMissing_DoesNotCount) {
    Set(Chars(L"\\??\\C:\\Koru\\ZEMI Update\\x.dll\0"), REG_SZ);
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    Set(Chars(L"\\??\\C:\\Koru\\ZEMI Update\\x.dll\0\0\0"), REG_BINARY);
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    Remove();
    EXPECT_FALSE(HasPendingRenameForProduct(L"ZEMI Update"));
    EXPECT_FALSE(IsRestartPending());
}

TEST_F(PendingRenamesTest, RestartPending_FollowsTheProductsPendingRename) {
    Set(Chars(L"\\??\\C:\\Program Files\\Koru\\ZEMI Update\\ZUSR.exe\0\0\0"));
    EXPECT_TRUE(IsRestartPending());
    Set(Chars(L"\\??\\C:\\Program Files\\Other\\ZEMIUpdt.exe\0\0\0"));
    EXPECT_FALSE(IsRestartPending());
}

TEST_F(PendingRenamesTest, RebootValue_CountsOnlyAsOneInTheScratchKeyOf64BitView) {
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY, L"Reboot", 1);
    EXPECT_TRUE(IsRestartPending());

    // The sequence removes the scratch key before completion reads it.
    ClearScratchKey();
    EXPECT_FALSE(IsRestartPending());

    test::SetDwordValue(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY, L"Reboot", 2);
    EXPECT_FALSE(IsRestartPending());
    // The string "1" does not read as the number 1.
    test::SetStringValue(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY, L"Reboot", L"1");
    EXPECT_FALSE(IsRestartPending());
    ClearScratchKey();

    if (test::RegistryViewsAreSeparate()) {
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY, L"Reboot", 1);
        EXPECT_FALSE(IsRestartPending());
    }
}

}  // namespace
}  // namespace zu
