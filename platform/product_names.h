#pragma once

// Names that the platform services themselves need: the client's processes
// and the maker's folders. Switches and how each program is started live in
// components/.

namespace zu {

// The client's processes, by executable name.
inline constexpr wchar_t kClientExe[] = L"ZEMIUpdt.exe";
inline constexpr wchar_t kAgentExe[] = L"DARiziz.exe";
inline constexpr wchar_t kSelfRepairExe[] = L"ZUSR.exe";

// Below the native Program Files folder: the current product.
inline constexpr wchar_t kProductFolderTail[] = L"\\Koru\\ZEMI Update";

// Below ProgramData.
inline constexpr wchar_t kMakerDataFolderTail[] = L"\\Koru Corporation";
inline constexpr wchar_t kProductDataFolderTail[] = L"\\Koru Corporation\\ZEMI Update";
inline constexpr wchar_t kSelfRepairFolderTail[] = L"\\Koru Corporation\\ZEMI Update Self Repair";

// Below each maker folder of the Task Scheduler, the folder of the client's tasks.
inline constexpr wchar_t kProductTaskFolderName[] = L"ZEMI Update";

}  // namespace zu
