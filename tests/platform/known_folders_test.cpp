#include "platform/known_folders.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "platform/known_folder_table.h"
#include "platform/os_version.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/wine_guard.h"

namespace zu {
namespace {

constexpr wchar_t kUntouched[] = L"untouched";
// A folder id that no Windows knows.
constexpr KNOWNFOLDERID kUnknownFolder = {0x5a3e1c1d,
                                          0x2b7f,
                                          0x4c11,
                                          {0x9e, 0x20, 0x41, 0x7a, 0x0b, 0x6d, 0x33, 0x58}};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool Is64BitPrefix() {
    return Environment("ZU_WINE_ARCH") != "32";
}

// Vista counts as Windows 7, Windows 10 as Windows 8.
int ExpectedVersionCode() {
    switch (test::WindowsOfThisEntry()) {
        case test::EntryWindows::kXp:
            return kOsXpSp2;
        case test::EntryWindows::kWindows10:
            return kOsWindows8;
        default:
            return kOsWindows7;
    }
}

bool ExpectCsidlTable() {
    return ExpectedVersionCode() <= kOsXpSp2;
}

// The shell's own answers, asked directly, to compare the resolver with.
std::wstring ShellCsidlPath(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return L"";
    }
    return buffer;
}

std::wstring ShellKnownFolderPath(REFKNOWNFOLDERID folder) {
    PWSTR raw = nullptr;
    std::wstring path;
    if (SUCCEEDED(::SHGetKnownFolderPath(folder, 0, nullptr, &raw)) && raw != nullptr) {
        path = raw;
    }
    ::CoTaskMemFree(raw);
    return path;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(KnownFolderResolver, RunsOnTheWindowsTheHarnessChose) {
    ASSERT_EQ(ExpectedVersionCode(), GetOsVersionCode())
        << "ZU_WINE_VERSION=" << Environment("ZU_WINE_VERSION");
}

// A wrong CSIDL or a repeated folder id (the first row would hide the later
// one) would send XP to the wrong folder.
TEST(KnownFolderTable, EveryRow_NamesTheSameFolderAsItsCsidl) {
    ASSERT_EQ(44u, kFolderMapSize);
    std::set<std::string> seen;
    int compared = 0;
    for (std::size_t i = 0; i < kFolderMapSize; ++i) {
        const FolderMapEntry& row = kFolderMap[i];
        EXPECT_TRUE(seen.insert(std::string(reinterpret_cast<const char*>(row.folder), 16)).second)
            << "row " << i + 1 << " repeats a folder";
        EXPECT_EQ(0, row.csidl & CSIDL_FLAG_MASK) << "row " << i + 1 << " carries a flag";
        const std::wstring by_csidl = ShellCsidlPath(row.csidl);
        const std::wstring by_id = ShellKnownFolderPath(*row.folder);
        if (by_csidl.empty() || by_id.empty()) {
            continue;  // not set up in this prefix
        }
        EXPECT_EQ(Narrow(by_id), Narrow(by_csidl)) << "row " << i + 1 << " CSIDL " << row.csidl;
        ++compared;
    }
    EXPECT_GE(compared, 30);
}

TEST(KnownFolderResolver, FoldersTheLauncherUses_ResolveToThePrefixFolders) {
    const struct {
        const KNOWNFOLDERID* folder;
        const wchar_t* path;
    } cases[] = {
        {&FOLDERID_ProgramData, L"C:\\ProgramData"},
        // The 32-bit view: what this 32-bit process sees.
        {&FOLDERID_ProgramFiles,
         Is64BitPrefix() ? L"C:\\Program Files (x86)" : L"C:\\Program Files"},
        {&FOLDERID_Windows, L"C:\\windows"},
        {&FOLDERID_System, L"C:\\windows\\system32"},
        {&FOLDERID_CommonStartMenu, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
        {&FOLDERID_CommonPrograms, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
    };
    KnownFolderResolver resolver;
    for (const auto& c : cases) {
        std::wstring path = kUntouched;
        EXPECT_EQ(S_OK, resolver.GetPath(*c.folder, &path)) << Narrow(c.path);
        EXPECT_EQ(0, ::lstrcmpiW(c.path, path.c_str())) << Narrow(path);
    }
}

// XP's shell has no Downloads folder id: the table, not the shell, refuses it.
TEST(KnownFolderResolver, FolderWithoutCsidl_FailsOnXpOnly) {
    KnownFolderResolver resolver;
    std::wstring path = kUntouched;
    const HRESULT result = resolver.GetPath(FOLDERID_Downloads, &path);
    if (ExpectCsidlTable()) {
        EXPECT_EQ(E_FAIL, result);
        EXPECT_EQ(kUntouched, path);
    } else {
        EXPECT_EQ(S_OK, result);
        EXPECT_EQ(Narrow(ShellKnownFolderPath(FOLDERID_Downloads)), Narrow(path));
        EXPECT_FALSE(path.empty());
    }
}

TEST(KnownFolderResolver, UnknownFolder_FailsAndLeavesPathUntouched) {
    KnownFolderResolver resolver;
    std::wstring path = kUntouched;
    EXPECT_TRUE(FAILED(resolver.GetPath(kUnknownFolder, &path)));
    EXPECT_EQ(kUntouched, path);
}

// An environment variable of this process, put back (or removed again)
// afterwards. Wine sets both Program Files variables in every process from its
// registry, so only this process's own can be planted.
class ScopedVariable {
  public:
    explicit ScopedVariable(const wchar_t* name) : name_(name) {
        wchar_t value[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(name_, value, MAX_PATH);
        if (length != 0 && length < MAX_PATH) {
            saved_ = value;
        }
    }
    ~ScopedVariable() { Set(saved_ ? saved_->c_str() : nullptr); }
    void Set(const wchar_t* value) const { ::SetEnvironmentVariableW(name_, value); }

  private:
    const wchar_t* name_;
    std::optional<std::wstring> saved_;
};

constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

TEST(NativeProgramFilesPath, BothPrefixes_GiveTheNativeFolderAndTail) {
    std::wstring path = kUntouched;
    ASSERT_TRUE(GetNativeProgramFilesPath(L"\\Koru\\ZEMI Update", &path));
    EXPECT_EQ(0, ::lstrcmpiW(L"C:\\Program Files\\Koru\\ZEMI Update", path.c_str()))
        << Narrow(path);
}

// An elevated administrator's environment comes in part from HKCU, which the
// same user's unelevated programs can write: the registry's "ProgramFilesDir"
// (64-bit view) names the native folder, and the environment counts only
// without it (the variable of this Windows: %ProgramW6432% on 64-bit, absent
// on Vista x64; %ProgramFiles% on 32-bit), never a cut-off one.
TEST(NativeProgramFilesPath, PlantedVariables_RegistryFolderWinsEnvironmentOnlyWithoutIt) {
    const ScopedVariable native(L"ProgramW6432");
    const ScopedVariable program_files(L"ProgramFiles");
    native.Set(L"C:\\planted");
    program_files.Set(L"C:\\planted");
    std::wstring path = kUntouched;
    ASSERT_TRUE(GetNativeProgramFilesPath(L"\\Koru", &path));
    EXPECT_EQ(0, ::lstrcmpiW(L"C:\\Program Files\\Koru", path.c_str())) << Narrow(path);

    const std::optional<test::RegistryValue> saved = test::QueryValue(
        HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_WOW64_64KEY, L"ProgramFilesDir");
    ASSERT_TRUE(saved.has_value());
    test::PutValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_WOW64_64KEY, L"ProgramFilesDir",
                   std::nullopt);
    path = kUntouched;
    EXPECT_TRUE(GetNativeProgramFilesPath(L"\\Koru", &path));
    EXPECT_EQ(L"C:\\planted\\Koru", path);
    const std::wstring too_long = L"C:\\" + std::wstring(MAX_PATH, L'x');
    for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), too_long.c_str()}) {
        native.Set(value);
        program_files.Set(value);
        path = kUntouched;
        EXPECT_FALSE(GetNativeProgramFilesPath(L"\\Koru", &path));
        EXPECT_EQ(kUntouched, path);
    }
    test::PutValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_WOW64_64KEY, L"ProgramFilesDir",
                   saved);
}

}  // namespace
}  // namespace zu
