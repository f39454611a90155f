#pragma once

namespace zu::test {

// True inside Wine (ntdll exports wine_get_version).
bool IsRunningUnderWine();

// The tests delete HKLM keys and write machine state: they run only inside a
// Wine prefix, or where ZU_ALLOW_MACHINE_CHANGES=1 says the machine may be
// changed. True when the tests may run.
bool MachineChangesAllowed();

}  // namespace zu::test
