#pragma once

// Program folders and data files that earlier generations of the client left.

namespace zu {

// Below the native Program Files folder, after the current product's own
// folder: the program folders of generations 5, 4 and 3, deleted in this order.
inline constexpr const wchar_t* kLegacyNativeProgramFolderTails[] = {
    L"\\Koru\\ZEMI Update 5",
    L"\\Koru\\ZEMI Update 4",
    L"\\Koru\\ZEMI Update 3",
};

// Below the Program Files folder that this 32-bit process sees (the x86 one on
// 64-bit Windows): generations 4, 3 and 2, deleted in this order. On 32-bit
// Windows the first two are the native folders above, already gone.
inline constexpr const wchar_t* kLegacyProgramFiles32FolderTails[] = {
    L"\\Koru\\ZEMI Update 4",
    L"\\Koru\\ZEMI Update 3",
    L"\\Koru\\ZEMI Update 2",
};

// Files of the client's data folder that no generation reads any more (what
// the new client keeps has been saved beforehand), deleted in this order;
// every "*.xml" file of the folder goes after them.
inline constexpr const wchar_t* kLegacyDataFileNames[] = {
    L"\\ZU.ini",
    L"\\PatchCheckStatus.dat",
    L"\\PatchProcessInfo.dat",
    L"\\PatchProcessInfo_V2.0.dat",
    L"\\Debug.dat",
    L"\\ZEUBondingPatchList.dat",
    L"\\ShellProxy.bat",
    L"\\ItemDisplayListInfo.dat",
};

// Subfolders of the client's data folder, deleted in this order with
// everything in them.
inline constexpr const wchar_t* kLegacyDataFolderNames[] = {
    L"\\LocalUpdateInfo_V3.0", L"\\Icon Files",      L"\\XML Files",
    L"\\LocalUpdateInfo_V2.0", L"\\LocalUpdateInfo", L"\\LocalUpdateInfo_ZEMIAppsDownloader",
    L"\\App Icon Folder",
};

}  // namespace zu
