#pragma once

namespace zu::test {

// True inside Wine (ntdll exports wine_get_version).
bool IsRunningUnderWine();

// The tests delete HKLM keys and write machine state: they run only inside a
// Wine prefix, or where ZU_ALLOW_MACHINE_CHANGES=1 says the machine may be
// changed. True when the tests may run.
bool MachineChangesAllowed();

// The Windows that the ctest entry told Wine to report (ZU_WINE_VERSION;
// Windows 7 SP1 when it names none): the tests' own expectation of the
// system, never asked of the system itself.
enum class EntryWindows { kXp, kXp64, kVista, kWindows7, kWindows10 };
EntryWindows WindowsOfThisEntry();

}  // namespace zu::test
