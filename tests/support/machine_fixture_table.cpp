#include "tests/support/machine_fixture_table.h"

#include "standins/outside_identifiers.h"

namespace zu::test {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;

const std::vector<const wchar_t*> kOlderPrograms = {L"ZEMIUpdt.exe", L"DARiziz.exe",
                                                    L"InternetWrapper.exe"};
const std::vector<const wchar_t*> kLatestPrograms = {L"ZEMIUpdt.exe", L"DARiziz.exe",
                                                     L"InternetWrapper.exe", L"ZUSR.exe"};
const std::vector<const wchar_t*> kLibraries32 = {L"InternetWrapperPS.dll", L"DARizizPS.dll",
                                                  L"ZUAC.dll"};
const std::vector<const wchar_t*> kLibraries64 = {L"InternetWrapperPS.dll", L"DARizizPS.dll",
                                                  L"DARizizPS64.dll", L"ZUAC.dll", L"ZUAC64.dll"};

GenerationRecord Generation5(const wchar_t* version, const wchar_t* product_code) {
    return {L"ZEMI Update 5",
            version,
            k64,
            kNativePlace,
            kNativePlace,
            3,
            product_code,
            RegionFile::kProgramFolder,
            true,
            kOlderPrograms,
            kLibraries64,
            {3, 5},
            StartMenuEntry::kShortcut,
            {9, 3},
            {6, 3},
            {0, 0},
            true};
}

}  // namespace

const GenerationRecord& RecordOf(Generation generation) {
    static const GenerationRecord k2 = {L"ZEMI Update 2",
                                        L"2.5.1.0",
                                        k32,
                                        kProgramFiles32Place,
                                        kProgramFiles32Place,
                                        0,
                                        nullptr,
                                        RegionFile::kNone,
                                        false,
                                        kOlderPrograms,
                                        kLibraries32,
                                        {},
                                        StartMenuEntry::kGroup,
                                        {0, 3},
                                        {0, 2},
                                        {0, 3},
                                        false};
    static const GenerationRecord k3 = {L"ZEMI Update 3",
                                        L"3.2.1.0",
                                        k32,
                                        kNativePlace | kProgramFiles32Place,
                                        kProgramFiles32Place,
                                        1,
                                        nullptr,
                                        RegionFile::kProgramFolder,
                                        false,
                                        kOlderPrograms,
                                        kLibraries32,
                                        {},
                                        StartMenuEntry::kGroup,
                                        {3, 3},
                                        {2, 2},
                                        {3, 2},
                                        false};
    static const GenerationRecord k4 = {L"ZEMI Update 4",
                                        L"4.3.0.2",
                                        k64,
                                        kNativePlace | kProgramFiles32Place,
                                        kNativePlace,
                                        2,
                                        outside::kProductCodeGen4,
                                        RegionFile::kProgramFolder,
                                        false,
                                        kOlderPrograms,
                                        kLibraries64,
                                        {0, 1},
                                        StartMenuEntry::kGroup,
                                        {6, 3},
                                        {4, 2},
                                        {5, 2},
                                        false};
    static const GenerationRecord k5 = Generation5(L"5.6.2.0", outside::kProductCodeGen5);
    static const GenerationRecord k5_7_1 = Generation5(L"5.7.1.3", outside::kProductCodeGen5);
    static const GenerationRecord k5_8_0 = Generation5(L"5.8.0.12345", outside::kProductCodeGen58);
    static const GenerationRecord kLatest = {L"ZEMI Update",
                                             L"6.2.0.0",
                                             k64,
                                             kNativePlace,
                                             kNativePlace,
                                             4,
                                             outside::kProductCodeGen6,
                                             RegionFile::kDataFolder,
                                             true,
                                             kLatestPrograms,
                                             kLibraries64,
                                             {2, 3, 4, 5},
                                             StartMenuEntry::kShortcutAndDesktop,
                                             {12, 3},
                                             {9, 2},
                                             {0, 0},
                                             false};
    switch (generation) {
        case Generation::k2:
            return k2;
        case Generation::k3:
            return k3;
        case Generation::k4:
            return k4;
        case Generation::k5:
            return k5;
        case Generation::k5_7_1:
            return k5_7_1;
        case Generation::k5_8_0:
            return k5_8_0;
        case Generation::kLatest:
            break;
    }
    return kLatest;
}

const std::vector<LegacyTaskRow>& LegacyTasks() {
    static const std::vector<LegacyTaskRow> rows = {
        {L"KORU", L"ZU4 Patch assistant", L"ZEMIUpdt.exe", L"/PatchAssistant"},
        {L"KORU", L"ZEMI Update", L"ZEMIUpdt.exe", L"/Schedule"},
        {L"Koru Corporation", L"ZEMI Update Self Repair", L"ZUSR.exe", L""},
        {L"Koru Corporation", L"Installer Task", L"ZEMIUpdt.exe", L"/InstallerTask"},
        {L"Koru Corporation", L"ZEMI Update Self Ultimate Repair", L"ZUSR.exe", L"/Ultimate"},
        {L"Koru Corporation", L"ZEMI Update", L"ZEMIUpdt.exe", L"/Schedule"},
    };
    return rows;
}

const std::vector<const wchar_t*>& DataFiles() {
    static const std::vector<const wchar_t*> files = {
        L"PatchCheckStatus.dat",
        L"PatchProcessInfo.dat",
        L"PatchProcessInfo_V2.0.dat",
        L"Debug.dat",
        L"ZEUBondingPatchList.dat",
        L"ShellProxy.bat",
        L"ItemDisplayListInfo.dat",
        L"UpdateInfo.xml",
        L"AppList.XML",
        L"History.log",
        L"LocalUpdateInfo_V3.0\\UpdateInfo.dat",
        L"Icon Files\\App.ico",
        L"XML Files\\Catalog.xml",
        L"LocalUpdateInfo_V2.0\\UpdateInfo.dat",
        L"LocalUpdateInfo\\UpdateInfo.dat",
        L"LocalUpdateInfo_ZEMIAppsDownloader\\Downloads.dat",
        L"App Icon Folder\\App.ico",
        L"ZEMI Update Self Repair\\ZUSR.ini",
        L"ZEMI Update Self Repair\\Backup\\RepairList.dat",
    };
    return files;
}

const std::vector<const wchar_t*>& SetupCacheFiles() {
    static const std::vector<const wchar_t*> files = {L"setup.ini", L"setup.inx", L"data1.cab"};
    return files;
}

const std::vector<ComKey>& LegacyComKeys() {
    static const std::vector<ComKey> keys = [] {
        const std::wstring agent = L"%F\\DARiziz.exe";
        std::vector<ComKey> list = {
            {L"AppID", L"DARiziz.EXE", L"DARiziz", L"", L"", true},
            {L"AppID", outside::kAppIds[0], L"DARiziz", L"", L"", true},
            {L"AppID", outside::kAppIds[1], L"InternetWrapper", L"", L"", true},
            {L"CLSID", outside::kClassIdA, L"ZEMICareObject", L"LocalServer32", agent, true},
            {L"CLSID", outside::kClassIdB, L"DARizizObject", L"LocalServer32", agent, false},
            {L"CLSID", outside::kPolicyClassId, L"ZUAXCtrl", L"InprocServer32", L"%F\\ZUAC.dll",
             true},
            {L"CLSID", outside::kClassIdD, L"ZUPlatformObject", L"LocalServer32", agent, true},
            {L"Interface", outside::kClassIdA, L"IZEMICareObject", L"ProxyStubClsid32",
             L"{00020424-0000-0000-C000-000000000046}", true},
            {L"Interface", outside::kClassIdB, L"IDARizizObject", L"ProxyStubClsid32",
             L"{00020424-0000-0000-C000-000000000046}", false},
        };
        for (const wchar_t* id : outside::kOtherClassIds) {
            list.push_back({L"CLSID", id, L"DARiziz server", L"LocalServer32", agent, false});
        }
        for (const wchar_t* id : outside::kInterfaceIds) {
            list.push_back({L"Interface", id, L"IDARizizServer", L"ProxyStubClsid32",
                            L"{00020424-0000-0000-C000-000000000046}", true});
        }
        for (const wchar_t* id : outside::kTypeLibIds) {
            list.push_back(
                {L"TypeLib", id, L"DARiziz 1.0 Type Library", L"1.0\\0\\win32", agent, true});
        }
        return list;
    }();
    return keys;
}

const std::vector<ProgId>& LegacyProgIds() {
    static const std::vector<ProgId> ids = {
        {L"DARiziz.ZEMICareObject", outside::kClassIdA},
        {L"DARiziz.ZEMICareObject.1", outside::kClassIdA},
        {L"DARiziz.DARizizObject", outside::kClassIdB},
        {L"DARiziz.DARizizObject.1", outside::kClassIdB},
        {L"DARiziz.ZUAppObject", outside::kOtherClassIds[0]},
        {L"DARiziz.ZUAppObject.1", outside::kOtherClassIds[0]},
        {L"DARiziz.ZUAXObject", outside::kOtherClassIds[1]},
        {L"DARiziz.ZUAXObject.1", outside::kOtherClassIds[1]},
        {L"DARiziz.ZUPlatformObject", outside::kClassIdD},
        {L"DARiziz.ZUPlatformObject.1", outside::kClassIdD},
        {L"ZUAX.ZUAXCtrl.5", outside::kPolicyClassId},
    };
    return ids;
}

const std::vector<const wchar_t*>& BrowserPolicyParents() {
    static const std::vector<const wchar_t*> parents = {
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Ext\\PreApproved",
        L"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy",
    };
    return parents;
}

}  // namespace zu::test
