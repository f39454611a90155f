#pragma once

#include <string>

namespace zu {

// The earlier generations that were installed by an InstallShield setup, and
// what it takes to uninstall each with its own cached setup.

// Where an earlier generation's version file may lie, in the order searched.
enum class ProgramFilesKind {
    kNative,  // the 64-bit Program Files folder on 64-bit Windows
    kView32,  // the Program Files folder that this 32-bit process sees
};
struct VersionFileLocation {
    ProgramFilesKind base;
    const wchar_t* tail;  // appended to the base folder
};
extern const VersionFileLocation kVersionFileLocations[4];

// Below the 32-bit Program Files folder: the setup caches, one per product code.
inline constexpr wchar_t kSetupCacheFolderTail[] = L"\\InstallShield Installation Information\\";
inline constexpr wchar_t kLegacySetupFileName[] = L"setup.exe";
// The cached setup script, and its replacement beside the launcher.
inline constexpr wchar_t kSetupScriptFileName[] = L"setup.inx";

struct PreviousGeneration {
    const wchar_t* productCode;   // names the setup cache and the staging folder
    const wchar_t* responseFile;  // recorded answers, beside the launcher
    bool replaceScript;           // the cached script is replaced before the run
};

// Finds the generation of version, the first line of a version file: only its
// first five characters count ("5.8.0" of "5.8.0.12345"), compared without
// regard to case. False, generation untouched, when version is empty or its
// first character names no generation.
bool FindPreviousGeneration(const std::wstring& version, PreviousGeneration* generation);

}  // namespace zu
