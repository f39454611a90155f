#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace zu {

// Resolves a KNOWNFOLDERID on every Windows the launcher runs on: through
// SHGetKnownFolderPath (looked up at run time) from Vista on, through a fixed
// KNOWNFOLDERID-to-CSIDL table and SHGetFolderPathW on XP. Short-lived: make
// one on the stack, ask, let it go.
class KnownFolderResolver {
  public:
    // Chooses the strategy from the Windows version code.
    KnownFolderResolver();

    // The folder's path without a trailing backslash. On failure (a folder
    // outside the XP table, the shell unavailable, the shell's own failure)
    // returns the failed HRESULT and leaves path untouched.
    HRESULT GetPath(REFKNOWNFOLDERID folder, std::wstring* path) const;

  private:
    bool useCsidlTable_ = false;
};

// The native Program Files folder (the 64-bit one on 64-bit Windows, also for
// this 32-bit process) followed by tail verbatim ("\Koru\ZEMI Update"): the
// registry's "ProgramFilesDir" (64-bit view), never the environment, unless
// that value is missing. False, path untouched, when neither gives a folder.
bool GetNativeProgramFilesPath(const wchar_t* tail, std::wstring* path);

}  // namespace zu
