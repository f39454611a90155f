#include "legacy/legacy_shortcuts.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <initializer_list>
#include <string>

#include "tests/legacy/generation_param_name.h"
#include "tests/support/file_fixture.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/shortcut_fixture.h"
#include "tests/support/wine_guard.h"

namespace zu {
namespace {

using test::Generation;

constexpr wchar_t kClientLink[] = L"\\ZEMI Update.lnk";
constexpr wchar_t kOtherTool[] = L"C:\\Program Files\\Other Vendor\\Tool.exe";
constexpr wchar_t kNewClient[] = L"C:\\Program Files\\Koru\\ZEMI Update\\ZEMIUpdt.exe";
// Tells the new setup's shortcut from the one of the same target that it replaces.
constexpr wchar_t kNewArguments[] = L"/new";

// Shortcuts only: the program folder holds no programs, as after the uninstall
// of the generation that the shortcuts start.
test::GenerationOptions ShortcutsOnly() {
    test::GenerationOptions options;
    options.programs = false;
    options.setupCache = false;
    options.schedule = test::Schedule::kNone;
    options.registrations = false;
    options.eulaFile = false;
    return options;
}

// The shortcut steps of a run, around a new setup that creates the client's
// shortcut in the all-users Programs folder (when new_setup_shortcut is set).
class LegacyShortcutsTest : public testing::Test {
  protected:
    void SetUp() override {
        programs_ = test::CommonPrograms();
        start_menu_ = test::CommonStartMenu();
        desktop_ = test::PublicDesktop();
        ASSERT_FALSE(programs_.empty() || start_menu_.empty() || desktop_.empty());
        // Wine hands every shortcut saved in these folders to a helper process
        // that copies it to the host's menus; it reads the shortcut without
        // letting others delete it meanwhile. Windows has no such reader.
        ASSERT_TRUE(machine_.SetString(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0,
                                       L"winemenubuilder.exe", L""));
        Clean();
    }
    void TearDown() override { Clean(); }

    // What these tests and a failed earlier one may leave; the machine puts
    // back the rest.
    void Clean() const {
        for (const wchar_t* name : {L"ZEMI Update.lnk", L"ZEMI Update 5.lnk", L"ZEMI Update 4",
                                    L"ZEMI Update 3", L"ZEMI Update 2"}) {
            test::DeletePath(programs_ + L"\\" + name);
        }
        test::DeletePath(start_menu_ + kClientLink);
        test::DeletePath(desktop_ + kClientLink);
        test::DeletePath(NewSetupShortcut());
    }

    static std::wstring NewSetupShortcut() {
        return test::ProgramData() + L"\\Microsoft\\Windows\\Start Menu\\Programs" + kClientLink;
    }

    // As the install sequence does before the uninstall: it deletes what the
    // finds report and remembers whether the desktop had one.
    static bool RemoveFoundShortcuts() {
        std::wstring path;
        const bool desktop_removed = FindPublicDesktopShortcut(&path);
        if (desktop_removed) {
            ::DeleteFileW(path.c_str());
        }
        if (FindProgramsShortcut(&path)) {
            ::DeleteFileW(path.c_str());
        }
        return desktop_removed;
    }

    void RunShortcutSteps(bool new_setup_shortcut) {
        const bool desktop_removed = RemoveFoundShortcuts();
        RemoveShortcutsToClient();
        EXPECT_TRUE(RemoveLegacyShortcuts());
        if (new_setup_shortcut) {
            ASSERT_TRUE(machine_.AddShortcut(NewSetupShortcut(), kNewClient, kNewArguments));
        }
        if (desktop_removed) {
            RestorePublicDesktopShortcut();
        }
    }

    static bool Windows8OrLater() {
        return test::WindowsOfThisEntry() == test::EntryWindows::kWindows10;
    }

    std::wstring programs_;
    std::wstring start_menu_;
    std::wstring desktop_;
    test::Machine machine_;
};

// Each generation's shortcuts go, and with them the program groups; another
// vendor's shortcuts stay, and so does a client shortcut in a folder of its
// own, which no step searches.
class LegacyShortcutsGenerationTest : public LegacyShortcutsTest,
                                      public testing::WithParamInterface<Generation> {};

TEST_P(LegacyShortcutsGenerationTest, ShortcutSteps_RemoveGenerationsShortcutsOnly) {
    const Generation generation = GetParam();
    const std::wstring name = test::GenerationName(generation);
    const std::wstring client =
        test::ProgramFolder(generation, test::ProgramFolders::kNative) + L"\\ZEMIUpdt.exe";
    ASSERT_TRUE(machine_.InstallGeneration(generation, ShortcutsOnly()));
    const std::wstring other = programs_ + L"\\Other Vendor.lnk";
    const std::wstring other_group = programs_ + L"\\Other Vendor\\Tool.lnk";
    const std::wstring nested = programs_ + L"\\Koru Tools\\" + name + L".lnk";
    const std::wstring start_other = start_menu_ + L"\\Other Vendor.lnk";
    ASSERT_TRUE(machine_.AddShortcut(other, kOtherTool));
    ASSERT_TRUE(machine_.AddShortcut(other_group, kOtherTool));
    ASSERT_TRUE(machine_.AddShortcut(nested, client));
    ASSERT_TRUE(machine_.AddShortcut(start_other, kOtherTool));

    RunShortcutSteps(false);

    EXPECT_FALSE(test::FileExists(programs_ + L"\\" + name + L".lnk"));
    EXPECT_FALSE(test::FolderExists(programs_ + L"\\" + name));
    // Only Windows 8 and later look on the desktop, where only the latest
    // generation put its shortcut.
    const bool desktop_kept = generation == Generation::kLatest && !Windows8OrLater();
    EXPECT_EQ(desktop_kept, test::FileExists(desktop_ + L"\\" + name + L".lnk"));
    for (const std::wstring& kept : {other, other_group, start_other}) {
        EXPECT_EQ(kOtherTool, test::ShortcutTarget(kept));
    }
    EXPECT_EQ(client, test::ShortcutTarget(nested));
}

INSTANTIATE_TEST_SUITE_P(Generations,
                         LegacyShortcutsGenerationTest,
                         testing::Values(Generation::k2,
                                         Generation::k3,
                                         Generation::k4,
                                         Generation::k5,
                                         Generation::kLatest),
                         test::GenerationParamName);

// At the top of both Start-menu folders the target decides, in any letter
// case, whatever the shortcut is called; other programs' shortcuts among them,
// a file that is no shortcut and a folder named like one are left alone.
TEST_F(LegacyShortcutsTest, RemoveShortcutsToClient_DecidesByTargetAtTopLevel) {
    const std::wstring renamed = programs_ + L"\\Check for Updates.lnk";
    const std::wstring upper = start_menu_ + L"\\A Update.lnk";
    const std::wstring mixed = start_menu_ + L"\\C Update.lnk";
    const std::wstring named_only = programs_ + L"\\ZEMIUpdt.exe.lnk";
    const std::wstring other = start_menu_ + L"\\B Other.lnk";
    const std::wstring broken = start_menu_ + L"\\Broken.lnk";
    const std::wstring folder = programs_ + L"\\Folder.lnk";
    ASSERT_TRUE(machine_.AddShortcut(renamed, L"C:\\Old\\zemiupdt.exe", L"/tray"));
    ASSERT_TRUE(machine_.AddShortcut(upper, L"C:\\OLD\\ZEMIUPDT.EXE"));
    ASSERT_TRUE(
        machine_.AddShortcut(mixed, L"C:\\Program Files\\Koru\\ZEMI Update 5\\ZEMIUpdt.exe"));
    ASSERT_TRUE(machine_.AddShortcut(named_only, kOtherTool));
    ASSERT_TRUE(machine_.AddShortcut(other, kOtherTool));
    ASSERT_TRUE(machine_.WriteFile(broken, "not a shortcut: zemiupdt.exe"));
    ASSERT_TRUE(machine_.CreateFolder(folder));

    RemoveShortcutsToClient();

    EXPECT_FALSE(test::FileExists(renamed));
    EXPECT_FALSE(test::FileExists(upper));
    EXPECT_FALSE(test::FileExists(mixed));
    EXPECT_EQ(kOtherTool, test::ShortcutTarget(named_only));
    EXPECT_EQ(kOtherTool, test::ShortcutTarget(other));
    EXPECT_EQ("not a shortcut: zemiupdt.exe", test::FileBytes(broken).value_or(""));
    EXPECT_TRUE(test::FolderExists(folder));
}

// Joins the multithreaded apartment for its life.
class MultithreadedApartment {
  public:
    MultithreadedApartment() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~MultithreadedApartment() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }
    HRESULT result() const { return result_; }

  private:
    HRESULT result_;
};

// COM is set up for the scan and undone after it; a thread that already runs
// in the multithreaded apartment keeps it.
TEST_F(LegacyShortcutsTest, RemoveShortcutsToClient_LeavesTheThreadsApartmentAsFound) {
    const std::wstring first = programs_ + L"\\First.lnk";
    const std::wstring second = start_menu_ + L"\\Second.lnk";
    ASSERT_TRUE(machine_.AddShortcut(first, kNewClient));
    ASSERT_TRUE(machine_.AddShortcut(second, kNewClient));

    RemoveShortcutsToClient();
    EXPECT_FALSE(test::FileExists(first));
    EXPECT_FALSE(test::FileExists(second));

    // Not left in a single-threaded apartment: joining the other one works.
    MultithreadedApartment apartment;
    ASSERT_EQ(S_OK, apartment.result());
    ASSERT_TRUE(machine_.AddShortcut(first, kNewClient));
    RemoveShortcutsToClient();
    EXPECT_FALSE(test::FileExists(first));
    // Still initialised by this test, not uninitialised by the scan.
    MultithreadedApartment again;
    EXPECT_EQ(S_FALSE, again.result());
}

// By name, whatever the target: the unnumbered and generation 5 shortcuts and
// the program groups of 4, 3 and 2 with everything in them. Names of other
// groups stay.
TEST_F(LegacyShortcutsTest, RemoveLegacyShortcuts_RemovesNamedShortcutsAndGroups) {
    const std::wstring group4 = programs_ + L"\\ZEMI Update 4";
    const std::wstring tools = programs_ + L"\\ZEMI Update Tools";
    ASSERT_TRUE(machine_.AddShortcut(start_menu_ + kClientLink, kOtherTool));
    ASSERT_TRUE(machine_.AddShortcut(programs_ + kClientLink, kOtherTool));
    ASSERT_TRUE(machine_.WriteFile(programs_ + L"\\ZEMI Update 5.lnk", "not a shortcut"));
    ASSERT_TRUE(machine_.WriteFile(group4 + L"\\Help\\Manual.txt", "help"));
    ASSERT_TRUE(machine_.AddShortcut(group4 + L"\\Uninstall.lnk", kOtherTool));
    ASSERT_TRUE(machine_.CreateFolder(programs_ + L"\\ZEMI Update 2"));
    ASSERT_TRUE(machine_.AddShortcut(tools + L"\\Tool.lnk", kOtherTool));

    EXPECT_TRUE(RemoveLegacyShortcuts());

    EXPECT_FALSE(test::FileExists(start_menu_ + kClientLink));
    EXPECT_FALSE(test::FileExists(programs_ + kClientLink));
    EXPECT_FALSE(test::FileExists(programs_ + L"\\ZEMI Update 5.lnk"));
    EXPECT_FALSE(test::FolderExists(group4));
    EXPECT_FALSE(test::FolderExists(programs_ + L"\\ZEMI Update 2"));
    EXPECT_EQ(kOtherTool, test::ShortcutTarget(tools + L"\\Tool.lnk"));
}

// Nothing found leaves the path alone. The desktop shortcut is looked for
// from Windows 8 on; the Programs one always.
TEST_F(LegacyShortcutsTest, Find_NoneThenLatestGeneration_DesktopOnlyFromWindows8) {
    std::wstring path = L"untouched";
    EXPECT_FALSE(FindPublicDesktopShortcut(&path));
    EXPECT_FALSE(FindProgramsShortcut(&path));
    EXPECT_EQ(L"untouched", path);
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, ShortcutsOnly()));

    EXPECT_EQ(Windows8OrLater(), FindPublicDesktopShortcut(&path));
    EXPECT_EQ(Windows8OrLater() ? desktop_ + kClientLink : L"untouched", path);
    ASSERT_TRUE(FindProgramsShortcut(&path));
    EXPECT_EQ(programs_ + kClientLink, path);
}

// A run with the client on the public desktop: from Windows 8 on the new
// setup's shortcut replaces it there.
TEST_F(LegacyShortcutsTest, Run_DesktopShortcutBefore_NewShortcutCopiedThere) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, ShortcutsOnly()));

    RunShortcutSteps(true);

    const std::wstring desktop = desktop_ + kClientLink;
    if (Windows8OrLater()) {
        EXPECT_EQ(test::FileBytes(NewSetupShortcut()), test::FileBytes(desktop));
        EXPECT_EQ(kNewClient, test::ShortcutTarget(desktop));
    } else {
        // Never looked for, so the old one stays as it was.
        EXPECT_EQ(test::ProgramFolder(Generation::kLatest, test::ProgramFolders::kNative) +
                      L"\\ZEMIUpdt.exe",
                  test::ShortcutTarget(desktop));
    }
}

TEST_F(LegacyShortcutsTest, Run_NoDesktopShortcutBefore_NoneAfter) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, ShortcutsOnly()));

    RunShortcutSteps(true);

    EXPECT_FALSE(test::FileExists(desktop_ + kClientLink));
}

// The desktop shortcut was removed, but the new setup made none to copy.
TEST_F(LegacyShortcutsTest, Run_NoNewShortcut_DesktopStaysWithout) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, ShortcutsOnly()));

    RunShortcutSteps(false);

    EXPECT_EQ(!Windows8OrLater(), test::FileExists(desktop_ + kClientLink));
}

TEST_F(LegacyShortcutsTest, RestorePublicDesktopShortcut_ReplacesFileOfThatName) {
    ASSERT_TRUE(machine_.AddShortcut(NewSetupShortcut(), kNewClient, kNewArguments));
    ASSERT_TRUE(machine_.WriteFile(desktop_ + kClientLink, "older file"));

    RestorePublicDesktopShortcut();

    EXPECT_EQ(test::FileBytes(NewSetupShortcut()), test::FileBytes(desktop_ + kClientLink));
}

}  // namespace
}  // namespace zu
