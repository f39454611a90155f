#pragma once

#include <windows.h>

// Carries the user's acceptance of the client's licence across the
// replacement: read from the earlier generations' keys before the uninstall,
// written to the current client's key after the new setup has run.

namespace zu {

// Reads "EULAAgreed" of the current and the generation-5 "EULA" keys (HKLM,
// 64-bit view). True when at least one of the keys exists; *agreed is then 1
// if either key holds 1, else 0. False, *agreed untouched, when neither exists.
bool ReadEulaAgreement(DWORD* agreed);

// Whether an earlier generation's licence file is installed (under the native
// Program Files folder). False when that folder cannot be expanded.
bool FindEarlierEulaFile();

// Notes in the installer's scratch key that an earlier licence file was found
// ("EULAAgreed" = "1"). Nothing on failure.
void WriteInstallerEulaNote();

// Writes "EULAAgreed" = agreed to the current client's "EULA" key, creating
// it. Nothing on failure.
void WriteEulaAgreement(DWORD agreed);

}  // namespace zu
