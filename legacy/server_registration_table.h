#pragma once

#include <cstddef>

// Where earlier generations installed their COM servers, which files those
// are, and how the launcher runs them; and what the new package registers.

namespace zu {

// Which Program Files folder a server folder lies in.
enum class ProgramFilesView {
    kNative,  // the 64-bit one on 64-bit Windows (GetNativeProgramFilesPath)
    k32Bit,   // the one this 32-bit process sees (FOLDERID_ProgramFiles)
};

struct LegacyServerFolder {
    ProgramFilesView view;
    const wchar_t* tail;  // appended to the Program Files folder
};

// The current product's folder, where only the agent is unregistered.
inline constexpr LegacyServerFolder kAgentFolder = {ProgramFilesView::kNative,
                                                    L"\\Koru\\ZEMI Update"};

// The earlier generations' folders, in the order their servers are
// unregistered; each may hold the whole set of servers.
inline constexpr LegacyServerFolder kLegacyServerFolders[] = {
    {ProgramFilesView::kNative, L"\\Koru\\ZEMI Update 5"},
    {ProgramFilesView::kNative, L"\\Koru\\ZEMI Update 4"},
    {ProgramFilesView::kNative, L"\\Koru\\ZEMI Update Common"},
    {ProgramFilesView::k32Bit, L"\\Koru\\ZEMI Update 4"},
    {ProgramFilesView::kNative, L"\\Koru\\ZEMI Update 3"},
    {ProgramFilesView::k32Bit, L"\\Koru\\ZEMI Update 3"},
    {ProgramFilesView::k32Bit, L"\\Koru\\ZEMI Update 2"},
};

// Executables unregister themselves when run with kUnregisterServerSwitch;
// DLLs are unregistered through the system's regsvr32.
enum class ServerKind { kExecutable, kDll };

struct LegacyServerFile {
    const wchar_t* name;  // appended to the folder
    ServerKind kind;
};

inline constexpr wchar_t kAgentFile[] = L"\\dariziz.exe";

// The servers of one folder, in the order they are unregistered.
inline constexpr LegacyServerFile kLegacyServerFiles[] = {
    {kAgentFile, ServerKind::kExecutable},
    {L"\\InternetWrapper.exe", ServerKind::kExecutable},
    {L"\\InternetWrapperPS.dll", ServerKind::kDll},
    {L"\\DARizizPS.dll", ServerKind::kDll},
    {L"\\DARizizPS64.dll", ServerKind::kDll},
    {L"\\ZUAC.dll", ServerKind::kDll},
    {L"\\ZUAC64.dll", ServerKind::kDll},
};

inline constexpr wchar_t kUnregisterServerSwitch[] = L"/Unregserver";

// Below the system folder.
inline constexpr wchar_t kRegsvr32[] = L"\\regsvr32.exe";

// The new agent registers itself as the Windows service kAgentServiceName.
inline constexpr wchar_t kAgentServiceSwitch[] = L"/service";
inline constexpr wchar_t kAgentServiceName[] = L"DARiziz";

// Beside the launcher: the package's registrations for 64-bit (and any other
// non-x86) Windows, and for 32-bit Windows.
inline constexpr wchar_t kRegistrationLauncherFor64BitWindows[] = L"ZULauncherFor64OS.exe";
inline constexpr wchar_t kRegistrationFileFor32BitWindows[] = L"RegInfo\\32\\Reg32.reg";
// Its copy in the temporary folder, from which regedit imports it.
inline constexpr wchar_t kRegistrationFileCopyName[] = L"\\Reg32.reg";

// Below the Windows folder.
inline constexpr wchar_t kRegedit[] = L"\\regedit.exe";

}  // namespace zu
