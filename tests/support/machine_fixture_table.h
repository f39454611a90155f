#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu::test {

// What each earlier generation of the client left on a machine, as data; the
// machine fixture walks it. machine_fixture.h describes the result.

enum class Generation { k2, k3, k4, k5, k5_7_1, k5_8_0, kLatest };

// Where a generation's program folder may lie.
enum FolderPlace : unsigned {
    kNativePlace = 1,          // native Program Files + "\Koru\<name>"
    kProgramFiles32Place = 2,  // 32-bit Program Files + "\Koru\<name>"
};

// Which "ZU.ini" carries the region URL.
enum class RegionFile { kNone, kProgramFolder, kDataFolder };

enum class StartMenuEntry {
    kGroup,              // Programs\<name>\<name>.lnk
    kShortcut,           // Programs\<name>.lnk
    kShortcutAndDesktop  // Programs\<name>.lnk and the public desktop's <name>.lnk
};

struct LegacyTaskRow {
    const wchar_t* makerFolder;  // the task lies in "\<makerFolder>\ZEMI Update"
    const wchar_t* name;
    const wchar_t* program;  // in the owning generation's program folder
    const wchar_t* arguments;
};

struct IndexRange {
    size_t first;
    size_t count;
};

struct GenerationRecord {
    const wchar_t* name;  // product key, program folder and Start-menu name
    const wchar_t* usualVersion;
    REGSAM view;  // of its machine-wide keys
    unsigned places;
    unsigned usualPlaces;
    size_t order;                     // 0-4: its position among 2, 3, 4, 5, unnumbered
    const wchar_t* cacheProductCode;  // null: not installed by InstallShield
    RegionFile regionFile;
    bool keepsEulaAndTaskManager;
    std::vector<const wchar_t*> programs;   // stand-in programs, copied
    std::vector<const wchar_t*> libraries;  // server DLLs, written as made-up bytes
    std::vector<size_t> tasks;              // rows of LegacyTasks()
    StartMenuEntry startMenu;
    IndexRange components64;
    IndexRange components32;
    IndexRange uninstallCodes;
    bool keepsLegacyUninstallEntry;
};

const GenerationRecord& RecordOf(Generation generation);

// The six scheduled tasks of earlier generations, in the order the launcher
// removes them.
const std::vector<LegacyTaskRow>& LegacyTasks();

// Data files below "<ProgramData>\Koru Corporation\ZEMI Update", relative
// paths: the client's records, its "*.xml" files in both letter cases, a file
// the launcher keeps, one file in each data subfolder and the self-repair folder.
const std::vector<const wchar_t*>& DataFiles();

// Files of the InstallShield setup cache besides "setup.exe".
const std::vector<const wchar_t*>& SetupCacheFiles();

// One COM registration key below HKEY_CLASSES_ROOT ("AppID", "CLSID",
// "Interface", "TypeLib") with a default value; subkey and subkeyValue, when
// set, add one subkey with a default value. alsoDefaultView: on 64-bit Windows
// the key is in the 32-bit view too.
struct ComKey {
    const wchar_t* parent;
    std::wstring name;
    std::wstring description;
    std::wstring subkey;
    std::wstring subkeyValue;  // "%F" stands for the generation's program folder
    bool alsoDefaultView;
};
const std::vector<ComKey>& LegacyComKeys();

// The ProgIDs of earlier servers with the class each names.
struct ProgId {
    const wchar_t* name;
    const wchar_t* classId;
};
const std::vector<ProgId>& LegacyProgIds();

// Parents below HKEY_LOCAL_MACHINE of the two browser policy entries (each
// holds a subkey named after the policy class).
const std::vector<const wchar_t*>& BrowserPolicyParents();

}  // namespace zu::test
