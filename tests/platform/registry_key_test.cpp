#include "platform/registry_key.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/machine_paths.h"

namespace zu {
namespace {

// The fixture sets up and checks the machine with the registry API itself, so
// that what it sees does not depend on the class under test.
struct RawKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
using RawKey = ScopedHandle<RawKeyTraits>;

constexpr wchar_t kTestRoot[] = L"SOFTWARE\\ZUTest";
constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;

// A 32-bit process sees two HKLM\SOFTWARE trees on 64-bit Windows only; on
// 32-bit Windows the view bits are ignored and both views are one registry.
using test::RegistryViewsAreSeparate;

RawKey OpenRaw(const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
    return RawKey(key);
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

bool KeyExists(const std::wstring& path, REGSAM view) {
    return OpenRaw(path, view).IsValid();
}

bool CreateRaw(const std::wstring& path, REGSAM view, DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY key = nullptr;
    LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options,
                                    KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    RawKey owner(key);
    return status == ERROR_SUCCESS;
}

void RemoveTreeRaw(const std::wstring& path, REGSAM view) {
    if (RawKey key = OpenRaw(path, view)) {
        ::RegDeleteTreeW(key.Get(), nullptr);
    }
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
}

LONG SetRaw(const std::wstring& path,
            const wchar_t* name,
            DWORD type,
            const void* data,
            DWORD bytes) {
    RawKey key = OpenRaw(path, k64);
    return ::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes);
}

// The stored type and bytes of a value; type REG_NONE when it cannot be read.
std::pair<DWORD, std::vector<BYTE>> QueryRaw(const std::wstring& path, const wchar_t* name) {
    RawKey key = OpenRaw(path, k64);
    DWORD type = REG_NONE;
    std::vector<BYTE> data(256);
    DWORD bytes = static_cast<DWORD>(data.size());
    if (::RegQueryValueExW(key.Get(), name, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) {
        return {REG_NONE, {}};
    }
    data.resize(bytes);
    return {type, data};
}

std::vector<BYTE> Bytes(const wchar_t* text, DWORD count) {
    const BYTE* first = reinterpret_cast<const BYTE*>(text);
    return std::vector<BYTE>(first, first + count);
}

// Every test works below HKLM\SOFTWARE\ZUTest\<test name>, which exists in the
// 64-bit view when the test starts and is gone from both views afterwards.
class RegistryKeyTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* test = testing::UnitTest::GetInstance()->current_test_info()->name();
        base_ = std::wstring(kTestRoot) + L"\\" + std::wstring(test, test + std::strlen(test));
        RemoveAll();
        ASSERT_TRUE(CreateRaw(base_, k64));
    }

    void TearDown() override {
        RemoveAll();
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestRoot, k64, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestRoot, k32, 0);
    }

    std::wstring Path(const wchar_t* tail) const { return base_ + L"\\" + tail; }
    LONG OpenBase(REGSAM access) { return key_.Open(HKEY_LOCAL_MACHINE, base_.c_str(), access); }

    void RemoveAll() {
        RemoveTreeRaw(base_, k64);
        RemoveTreeRaw(base_, k32);
    }

    std::wstring base_;
    RegistryKey key_;
};

TEST_F(RegistryKeyTest, OpenAndCreate_FailOnOpenKey_KeepOldKeyUsable) {
    // A volatile key cannot have a non-volatile child, so creating one fails.
    ASSERT_TRUE(CreateRaw(Path(L"Volatile"), k64, REG_OPTION_VOLATILE));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegReadWrite64));
    HKEY held = key_.Handle();

    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              key_.Open(HKEY_LOCAL_MACHINE, Path(L"Missing").c_str(), kRegRead));
    EXPECT_NE(ERROR_SUCCESS, key_.CreateWritable(Path(L"Volatile\\Child").c_str()));

    EXPECT_EQ(held, key_.Handle());
    EXPECT_EQ(k64, key_.View());
    EXPECT_EQ(ERROR_SUCCESS, key_.WriteDword(L"StillOpen", 7));
    EXPECT_EQ(REG_DWORD, QueryRaw(base_, L"StillOpen").first);
}

TEST_F(RegistryKeyTest, Open_OnOpenKey_ReplacesItAndTakesViewFromMask) {
    ASSERT_TRUE(CreateRaw(base_, k32));
    const std::pair<REGSAM, REGSAM> access_and_view[] = {
        {kRegRead64, k64}, {kRegAllAccess, 0}, {KEY_READ | k32, k32}, {kRegReadWrite64, k64}};
    RegistryKey key;
    for (const auto& [access, view] : access_and_view) {
        EXPECT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, base_.c_str(), access));
        EXPECT_TRUE(key.IsOpen());
        EXPECT_EQ(view, key.View()) << "access " << std::hex << access;
    }
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(0u, key.View());
    EXPECT_EQ(ERROR_SUCCESS, key.Close());
}

TEST_F(RegistryKeyTest, Move_KeepsHandleAndView) {
    const std::wstring child = Path(L"Child");
    ASSERT_TRUE(CreateRaw(child, k64));
    ASSERT_TRUE(CreateRaw(child, k32));
    // The machine root, where the 64-bit view is chosen by the key's view alone.
    RegistryKey original;
    ASSERT_EQ(ERROR_SUCCESS, original.Open(HKEY_LOCAL_MACHINE, nullptr, kRegWrite64));
    HKEY handle = original.Handle();

    RegistryKey moved(std::move(original));
    RegistryKey assigned;
    ASSERT_EQ(ERROR_SUCCESS, assigned.Open(HKEY_LOCAL_MACHINE, base_.c_str(), kRegRead));
    assigned = std::move(moved);

    EXPECT_FALSE(original.IsOpen());
    EXPECT_EQ(0u, original.View());
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(handle, assigned.Handle());
    EXPECT_EQ(k64, assigned.View());
    EXPECT_EQ(ERROR_SUCCESS, assigned.DeleteChildKey(child.c_str()));
    EXPECT_FALSE(KeyExists(child, k64));
    EXPECT_EQ(RegistryViewsAreSeparate(), KeyExists(child, k32));
}

TEST_F(RegistryKeyTest, CreateWritable_NewKey_CreatedIn64BitViewOnly) {
    const std::wstring created = Path(L"New\\Deeper");
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.CreateWritable(created.c_str()));
    EXPECT_EQ(k64, key.View());
    EXPECT_EQ(ERROR_SUCCESS, key.WriteString(L"Text", L"x"));

    EXPECT_EQ(REG_SZ, QueryRaw(created, L"Text").first);
    EXPECT_EQ(!RegistryViewsAreSeparate(), KeyExists(created, k32));
    // Creating an existing key opens it.
    RegistryKey again;
    EXPECT_EQ(ERROR_SUCCESS, again.CreateWritable(created.c_str()));
}

TEST_F(RegistryKeyTest, Writes_StoreTypeAndExactBytes) {
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegReadWrite64));
    const wchar_t multi[] = L"a\0bc\0";  // with the array's own null: two at the end

    EXPECT_EQ(ERROR_SUCCESS, key_.WriteString(L"Text", L"hello"));
    EXPECT_EQ(ERROR_SUCCESS, key_.WriteString(L"NullText", nullptr));
    EXPECT_EQ(ERROR_SUCCESS, key_.WriteDword(L"Number", 0x12345678));
    EXPECT_EQ(ERROR_SUCCESS, key_.WriteMultiString(L"List", multi, sizeof(multi)));

    EXPECT_EQ(std::make_pair(DWORD{REG_SZ}, Bytes(L"hello", 12)), QueryRaw(base_, L"Text"));
    EXPECT_EQ(DWORD{REG_NONE}, QueryRaw(base_, L"NullText").first);
    const DWORD number = 0x12345678;
    EXPECT_EQ(std::make_pair(DWORD{REG_DWORD},
                             std::vector<BYTE>(reinterpret_cast<const BYTE*>(&number),
                                               reinterpret_cast<const BYTE*>(&number + 1))),
              QueryRaw(base_, L"Number"));
    EXPECT_EQ(std::make_pair(DWORD{REG_MULTI_SZ}, Bytes(multi, sizeof(multi))),
              QueryRaw(base_, L"List"));

    EXPECT_EQ(ERROR_SUCCESS, key_.DeleteValue(L"Text"));
    EXPECT_EQ(DWORD{REG_NONE}, QueryRaw(base_, L"Text").first);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteValue(L"Text"));
}

TEST_F(RegistryKeyTest, ReadString_WellFormed_ReturnsTextAndLengthWithNull) {
    const wchar_t expand[] = L"%SystemRoot%\\x";
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Text", REG_SZ, L"hello", 12));
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Expand", REG_EXPAND_SZ, expand, sizeof(expand)));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegRead64));

    DWORD length = 0;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadString(L"Text", nullptr, &length));
    EXPECT_EQ(6u, length);

    wchar_t buffer[32] = {};
    length = 6;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadString(L"Text", buffer, &length));
    EXPECT_STREQ(L"hello", buffer);
    EXPECT_EQ(6u, length);

    length = 32;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadString(L"Expand", buffer, &length));
    EXPECT_STREQ(expand, buffer);
    EXPECT_EQ(15u, length);

    length = 5;
    EXPECT_EQ(ERROR_MORE_DATA, key_.ReadString(L"Text", buffer, &length));
    EXPECT_EQ(0u, length);
}

// Strings stored without their null are followed by a non-null character in
// memory: the registry itself adds a null that follows the counted bytes.
TEST_F(RegistryKeyTest, ReadStringAndMultiString_MalformedData_InvalidDataAndZeroLength) {
    using Read = LONG (RegistryKey::*)(const wchar_t*, wchar_t*, DWORD*) const;
    const Read kString = &RegistryKey::ReadString;
    const Read kMulti = &RegistryKey::ReadMultiString;
    const DWORD number = 1;
    const struct {
        const char* what;
        Read read;
        DWORD type;
        const void* data;
        DWORD bytes;
    } kRows[] = {
        {"string: dword", kString, REG_DWORD, &number, 4},
        {"string: multi-string", kString, REG_MULTI_SZ, L"ab\0", 8},
        {"string: odd byte count", kString, REG_SZ, L"ab", 5},
        {"string: no terminating null", kString, REG_SZ, L"abcd", 6},
        {"multi-string: string type", kMulti, REG_SZ, L"ab\0", 8},
        {"multi-string: zero bytes", kMulti, REG_MULTI_SZ, nullptr, 0},
        {"multi-string: odd byte count", kMulti, REG_MULTI_SZ, L"ab\0", 7},
        {"multi-string: no terminating null", kMulti, REG_MULTI_SZ, L"abc", 4},
        {"multi-string: one null only", kMulti, REG_MULTI_SZ, L"ab", 6},
    };
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegRead64));
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Value", row.type, row.data, row.bytes));
        wchar_t buffer[8] = {};
        DWORD length = 8;
        EXPECT_EQ(ERROR_INVALID_DATA, (key_.*row.read)(L"Value", buffer, &length));
        EXPECT_EQ(0u, length);
    }
    // A size query checks the type too.
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Value", REG_DWORD, &number, 4));
    DWORD length = 0;
    EXPECT_EQ(ERROR_INVALID_DATA, key_.ReadString(L"Value", nullptr, &length));
    EXPECT_EQ(0u, length);
}

TEST_F(RegistryKeyTest, ReadString_ZeroByteValue_YieldsEmptyStringUnlessNoRoom) {
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Empty", REG_SZ, nullptr, 0));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegRead64));

    wchar_t buffer[4] = {L'x', L'x', L'x', 0};
    DWORD length = 4;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadString(L"Empty", buffer, &length));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(0u, length);

    // A buffer with no room for the empty string's null is left untouched.
    buffer[0] = L'x';
    length = 0;
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, key_.ReadString(L"Empty", buffer, &length));
    EXPECT_EQ(L'x', buffer[0]);
    EXPECT_EQ(0u, length);
}

TEST_F(RegistryKeyTest, ReadMultiString_WellFormed_ReturnsListAndLength) {
    const wchar_t list[] = L"a\0bc\0";
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"List", REG_MULTI_SZ, list, sizeof(list)));
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"EmptyList", REG_MULTI_SZ, L"", 2));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegRead64));

    DWORD length = 0;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadMultiString(L"List", nullptr, &length));
    EXPECT_EQ(6u, length);
    std::vector<wchar_t> buffer(length);
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadMultiString(L"List", buffer.data(), &length));
    EXPECT_EQ(std::vector<wchar_t>(list, list + 6), buffer);
    EXPECT_EQ(6u, length);

    wchar_t empty[2] = {L'x', L'x'};
    length = 2;
    EXPECT_EQ(ERROR_SUCCESS, key_.ReadMultiString(L"EmptyList", empty, &length));
    EXPECT_EQ(1u, length);
}

TEST_F(RegistryKeyTest, ReadMultiString_OneCharacterBuffer_Returns122WithoutQuery) {
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(base_, L"Short", REG_MULTI_SZ, L"", 2));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegRead64));
    RegistryKey closed;

    for (const RegistryKey* subject : {&key_, &closed}) {
        wchar_t buffer[1] = {L'x'};
        DWORD length = 1;
        // The value would fit, and the closed key would fail with another status.
        EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, subject->ReadMultiString(L"Short", buffer, &length));
        EXPECT_EQ(L'x', buffer[0]);
        EXPECT_EQ(0u, length);
    }
}

// The parent is the machine root, so only the key's view decides which
// SOFTWARE tree a subkey path reaches: the key (with its subkeys) goes from
// that view and stays in the other.
TEST_F(RegistryKeyTest, DeleteChildKeyAndTree_InOneView_LeaveOtherView) {
    using Delete = LONG (RegistryKey::*)(const wchar_t*) const;
    const struct {
        Delete remove;
        const wchar_t* deleted;
        const wchar_t* deepest;  // below deleted, in both views
    } kRows[] = {
        {&RegistryKey::DeleteChildKey, L"Child", L"Child"},
        {&RegistryKey::DeleteTree, L"Tree", L"Tree\\A\\B\\C"},
    };
    for (const auto& row : kRows) {
        for (REGSAM view : {k64, REGSAM{0}}) {
            SCOPED_TRACE(testing::Message() << Narrow(row.deleted) << " view " << view);
            const std::wstring deleted = Path(row.deleted);
            const std::wstring deepest = Path(row.deepest);
            ASSERT_TRUE(CreateRaw(deepest, k64));
            ASSERT_TRUE(CreateRaw(deepest, k32));
            if (deepest != deleted) {
                ASSERT_TRUE(CreateRaw(deleted + L"\\D", k64));
            }
            const REGSAM other = view == k64 ? k32 : k64;
            RegistryKey root;
            ASSERT_EQ(ERROR_SUCCESS, root.Open(HKEY_LOCAL_MACHINE, nullptr, kRegWrite | view));

            EXPECT_EQ(ERROR_SUCCESS, (root.*row.remove)(deleted.c_str()));
            EXPECT_FALSE(KeyExists(deleted, view));
            EXPECT_EQ(RegistryViewsAreSeparate(), KeyExists(deepest, other));
            RemoveTreeRaw(deleted, other);
        }
    }
}

TEST_F(RegistryKeyTest, DeleteTree_MissingSubkey_ReturnsNotFoundAndChangesNothing) {
    ASSERT_TRUE(CreateRaw(Path(L"Keep"), k64));
    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegWrite64));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_.DeleteTree(L"Missing"));
    EXPECT_TRUE(KeyExists(Path(L"Keep"), k64));
}

TEST_F(RegistryKeyTest, DeleteTree_NestedSubkeysAndValues_RemovesWholeSubtreeOnly) {
    for (const wchar_t* branch : {L"A", L"B", L"C"}) {
        for (const wchar_t* leaf : {L"1\\Deep", L"2", L"3"}) {
            std::wstring path = Path(L"Tree\\") + branch + L"\\" + leaf;
            ASSERT_TRUE(CreateRaw(path, k64));
            ASSERT_EQ(ERROR_SUCCESS, SetRaw(path, L"Value", REG_SZ, L"v", 4));
        }
    }
    ASSERT_EQ(ERROR_SUCCESS, SetRaw(Path(L"Tree"), L"Value", REG_SZ, L"v", 4));
    ASSERT_TRUE(CreateRaw(Path(L"Keep"), k64));

    ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegWrite64));
    EXPECT_EQ(ERROR_SUCCESS, key_.DeleteTree(L"Tree"));

    EXPECT_FALSE(KeyExists(Path(L"Tree"), k64));
    EXPECT_TRUE(KeyExists(Path(L"Keep"), k64));
}

// A registry link (REG_LINK "SymbolicLinkValue") at path, in the 64-bit view,
// to the key target of that view.
bool CreateLinkRaw(const std::wstring& path, const std::wstring& target) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                          REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                          KEY_ALL_ACCESS | KEY_CREATE_LINK | k64, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RawKey link(key);
    const std::wstring nt_path = L"\\Registry\\Machine\\" + target;
    return ::RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                            reinterpret_cast<const BYTE*>(nt_path.data()),
                            static_cast<DWORD>(nt_path.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The launcher runs elevated: a link planted below (or as) a key it deletes
// is deleted as a link, and the key it points to keeps its subkeys and values.
TEST_F(RegistryKeyTest, DeleteTree_RegistryLinks_TargetSurvives) {
    const struct {
        const char* scenario;
        const wchar_t* link;     // below base_
        const wchar_t* deleted;  // DeleteTree's argument, below base_
    } kRows[] = {
        {"link below the tree", L"Tree\\A\\Link", L"Tree"},
        {"link as the deleted key", L"Link", L"Link"},
    };
    const std::wstring target = Path(L"Target");
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.scenario);
        ASSERT_TRUE(CreateRaw(target + L"\\Inner", k64));
        ASSERT_EQ(ERROR_SUCCESS, SetRaw(target, L"Value", REG_SZ, L"v", 4));
        ASSERT_TRUE(CreateRaw(Path(L"Tree\\A"), k64));
        ASSERT_TRUE(CreateLinkRaw(Path(row.link), target));
        ASSERT_TRUE(KeyExists(Path(row.link) + L"\\Inner", k64)) << "the link does not lead on";

        ASSERT_EQ(ERROR_SUCCESS, OpenBase(kRegWrite64));
        EXPECT_EQ(ERROR_SUCCESS, key_.DeleteTree(row.deleted));

        EXPECT_FALSE(KeyExists(Path(row.deleted), k64));
        EXPECT_TRUE(KeyExists(target + L"\\Inner", k64));
        EXPECT_EQ(REG_SZ, QueryRaw(target, L"Value").first);
        RemoveTreeRaw(Path(L"Tree"), k64);
    }
}

}  // namespace
}  // namespace zu
