#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/machine_fixture_table.h"
#include "tests/support/scheduled_task_fixture.h"

// A test machine in the state that earlier generations of the client leave:
//
//   zu::test::Machine machine;
//   ASSERT_TRUE(machine.InstallGeneration(Generation::k5, {.version = L"5.7.1.3",
//                                                          .dataFiles = true,
//                                                          .region = L"EU"}));
//
// The machine records everything it creates or overwrites and puts it all back
// in its destructor, newest first: a folder or key that it created goes with
// everything below it (also what the code under test added there), a file or
// value that it overwrote gets its old content back.
//
// What a generation lays out. N is its name: "ZEMI Update 2", "ZEMI Update 3",
// "ZEMI Update 4", "ZEMI Update 5" (also for 5.7.1 and 5.8.0) or the unnumbered
// "ZEMI Update" of the latest generation. PF is the native Program Files folder,
// PF32 the 32-bit one (the same folder on 32-bit Windows), PD ProgramData.
// Its view is the 32-bit view for 2 and 3, the 64-bit view for the others.
//
// Program folder F = PF\Koru\N or PF32\Koru\N: generation 2 only PF32, 3 PF32
// by default, 4 PF by default (both may be asked for with `folders`), 5 and the
// latest only PF. In each folder:
//   Version.txt           the version (options or the usual one below) + CR LF
//   ZEMIUpdt.exe, DARiziz.exe, InternetWrapper.exe (and ZUSR.exe in the latest's)
//                         copies of the stand-in programs (`programs`)
//   InternetWrapperPS.dll, DARizizPS.dll, ZUAC.dll (2, 3); and DARizizPS64.dll,
//   ZUAC64.dll (4, 5, latest)   made-up bytes, not loadable (`programs`)
//   ZU.ini                3, 4, 5: [Setting] InfoFileURLBase with the region
//   EULA\ENG\ZU5EULA.rtf  5 and latest, when `eulaFile`
// The latest keeps its "ZU.ini" in PD\Koru Corporation\ZEMI Update instead.
// "ZU.ini" holds [Setting] Version=<version> and, for a non-empty `region` R,
// InfoFileURLBase=https://zu.koru.example/InfoFile/R/ (R as given, so "eu"
// tests the letter case).
//
// Usual versions: 2 "2.5.1.0", 3 "3.2.1.0", 4 "4.3.0.2", 5 "5.6.2.0",
// 5.7.1 "5.7.1.3", 5.8.0 "5.8.0.12345", latest "6.2.0.0".
//
// InstallShield setup cache (4, 5, 5.7.1, 5.8.0, latest; `setupCache`):
// PF32\InstallShield Installation Information\<code>\ with setup.exe (a copy of
// the legacy setup stand-in), setup.ini, setup.inx, data1.cab (made-up bytes;
// setup.inx names N and the version). <code> is outside::kProductCodeGen4 (4),
// outside::kProductCodeGen5 (5 and 5.7.1), outside::kProductCodeGen58 (5.8.0),
// outside::kProductCodeGen6 (latest); the code follows the generation, not the version (a 5.8.0
// machine is Generation::k5_8_0). With it, the uninstall entry
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<code> in the
// 32-bit view: DisplayName N, DisplayVersion, UninstallString to that setup.exe.
//
// Registry, HKLM in its view unless said otherwise:
//   SOFTWARE\Koru Corporation\N           InstallPath (F), Version
//   ...\N\EULA            EULAAgreed REG_DWORD (5, latest; `eulaAgreed`)
//   ...\N\TaskManager     Task, SelfUpdate, UpdateType (5, latest; `taskManager`)
// and with `registrations`:
//   SOFTWARE\Koru Corporation\Shared Info\N              InstallPath
//   SOFTWARE\Koru Corporation\Shared Info\AppDB\N        Version
//   SOFTWARE\Koru Corporation\Shared Info\VersionPath\N  (default) F\Version.txt
//   HKCU Software\Koru Corporation\N     LastCheck, subkey Settings
//   SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\ZEMIUpdt.exe  F\ZEMIUpdt.exe
//   Windows Installer, 64-bit view, the edition of the machine (64-bit tables
//   on 64-bit Windows): ...\Installer\UserData\S-1-5-18\Components\<packed
//   component> for the generation's components (see standins/outside_identifiers.h), and
//   ...\Uninstall\<packed product> and ...\Uninstall\<braced product> for its
//   product (generation order 2, 3, 4, 5, latest; 5.7.1 and 5.8.0 as 5).
//   ...\Uninstall\<outside::kUninstallCodes>: 0-2 (2), 3-4 (3), 5-6 (4).
//   ...\Uninstall\<outside::kUninstallEntryCode> in the 32-bit view (5 and its
//   variants).
//   COM, the same keys for every generation (server paths in F): below HKCR the
//   11 ProgIDs "DARiziz.*" and "ZUAX.ZUAXCtrl.5" (64-bit view), AppID, CLSID,
//   Interface and TypeLib keys of the legacy identifiers (all 30 in the 64-bit
//   view, the 21 of the default-view subset also in the 32-bit view), and the
//   policy class below HKLM ...\Ext\PreApproved and
//   ...\Low Rights\ElevationPolicy in both views.
//
// Scheduled tasks (`schedule`): through the Task Scheduler, or on Windows XP as
// values of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run in its view
// named after the task (data: the program in quotes and its arguments):
//   4       \KORU\ZEMI Update\ "ZU4 Patch assistant", "ZEMI Update"
//   5       \Koru Corporation\ZEMI Update\ "Installer Task", "ZEMI Update"
//   latest  \Koru Corporation\ZEMI Update\ "ZEMI Update Self Repair",
//           "Installer Task", "ZEMI Update Self Ultimate Repair", "ZEMI Update"
//           (the repair tasks start F\ZUSR.exe, the ultimate one "/Ultimate")
// and every generation its autostart value N under that Run key, in its view.
//
// Shortcuts (`shortcuts`), to F\ZEMIUpdt.exe: 2, 3, 4 a Start-menu group
// <common Programs>\N\N.lnk; 5 <common Programs>\ZEMI Update 5.lnk; the latest
// <common Programs>\ZEMI Update.lnk and <public desktop>\ZEMI Update.lnk.
//
// Data files (`dataFiles`, any generation) in PD\Koru Corporation\ZEMI Update:
// see DataFiles() in machine_fixture_table.cpp; each file holds its own name, N
// and a few binary bytes, so that a copy can be told from an original.

namespace zu::test {

enum class ProgramFolders { kUsual, kNative, kProgramFiles32, kBoth };

// kAuto: the Task Scheduler, or Run values when this process sees Windows XP.
enum class Schedule { kAuto, kTaskScheduler, kRunValues, kNone };

struct TaskManagerSettings {
    std::wstring task = L"Weekly";
    DWORD selfUpdate = 1;
    DWORD updateType = 2;
};

struct GenerationOptions {
    std::wstring version = std::wstring();  // empty: the usual version
    bool dataFiles = false;
    std::wstring region = std::wstring();  // a region code for the "ZU.ini" URL; empty: no URL
    ProgramFolders folders = ProgramFolders::kUsual;
    bool programs = true;
    bool setupCache = true;
    Schedule schedule = Schedule::kAuto;
    bool shortcuts = true;
    bool registrations = true;
    std::optional<DWORD> eulaAgreed = 1;  // nullopt: no EULA key
    bool eulaFile = true;
    std::optional<TaskManagerSettings> taskManager = TaskManagerSettings{};
};

// Paths of a generation's things, whether laid out or not.
const wchar_t* GenerationName(Generation generation);
// F for one place (kNative or kProgramFiles32).
std::wstring ProgramFolder(Generation generation, ProgramFolders place);
std::wstring ProductKey(Generation generation);  // below HKLM
REGSAM ProductKeyView(Generation generation);
// Empty for generations 2 and 3.
std::wstring SetupCacheFolder(Generation generation);
// PD\Koru Corporation\ZEMI Update.
std::wstring DataFolder();
// Where the build puts the stand-in programs (the test-binary folder's "standins").
std::wstring DefaultStandinFolder();

class Machine {
  public:
    // standin_folder holds the stand-in programs and the legacy setup.
    explicit Machine(std::wstring standin_folder = DefaultStandinFolder());
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // Lays out what the generation leaves (see above). Fails, with what went
    // wrong, at the first thing it cannot lay out; what it laid out so far is
    // still recorded.
    testing::AssertionResult InstallGeneration(Generation generation,
                                               const GenerationOptions& options = {});

    // All six scheduled tasks of earlier generations (or their Run values).
    testing::AssertionResult AddLegacyTasks(Schedule schedule = Schedule::kAuto);

    // Building blocks for states the generations do not cover, recorded the same
    // way. Missing folders and keys are created.
    testing::AssertionResult CreateFolder(const std::wstring& path);
    testing::AssertionResult WriteFile(const std::wstring& path, const std::string& bytes);
    testing::AssertionResult CopyFile(const std::wstring& source, const std::wstring& target);
    testing::AssertionResult CreateKey(HKEY root, const std::wstring& key, REGSAM view);
    testing::AssertionResult SetString(HKEY root,
                                       const std::wstring& key,
                                       REGSAM view,
                                       const wchar_t* name,
                                       const std::wstring& text,
                                       DWORD type = REG_SZ);
    testing::AssertionResult SetDword(HKEY root,
                                      const std::wstring& key,
                                      REGSAM view,
                                      const wchar_t* name,
                                      DWORD value);
    // A task that existed before is replaced and not restored.
    testing::AssertionResult AddTask(const TaskSpec& task);
    testing::AssertionResult AddShortcut(const std::wstring& link,
                                         const std::wstring& target,
                                         const std::wstring& arguments = std::wstring());
    // AddTask, or for kRunValues (and kAuto on Windows XP) a value named after
    // the task under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run in view,
    // with the quoted program and its arguments. kNone adds nothing.
    testing::AssertionResult AddTaskOrRunValue(const TaskSpec& task,
                                               Schedule schedule,
                                               REGSAM view);

    // Leaves everything laid out so far in place: the destructor then puts
    // nothing back (for a machine that a later program runs on, as in the demo).
    void Keep() { undo_.clear(); }

  private:
    testing::AssertionResult SetValue(HKEY root,
                                      const std::wstring& key,
                                      REGSAM view,
                                      const wchar_t* name,
                                      DWORD type,
                                      const void* data,
                                      DWORD bytes);

    std::wstring standinFolder_;
    std::vector<std::function<void()>> undo_;
};

}  // namespace zu::test
