#pragma once

#include <windows.h>

#include <string>

namespace zu::standin {

// One autostart entry of the self-repair tool: a scheduled task below the
// Task Scheduler folder "\Koru Corporation\<folder>" from Windows Vista on, a
// value of that name under the machine's Run key on Windows XP.
struct RepairEntry {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* arguments;
    const wchar_t* interval;  // ISO 8601 repetition interval
    const wchar_t* duration;  // ISO 8601 repetition duration; empty: without end
};

extern const RepairEntry kGuardEntry;
extern const RepairEntry kRepairEntry;
extern const RepairEntry kUltimateRepairEntry;

// "\Koru Corporation\<folder>\<name>".
std::wstring EntryPath(const RepairEntry& entry);

// Creates or replaces the entry so that it runs program with the entry's
// arguments. On XP enabled has no meaning (a Run value is always active).
// Returns the failing HRESULT (or the Win32 status as an HRESULT) on failure.
HRESULT AddRepairEntry(const RepairEntry& entry, const std::wstring& program, bool enabled);

// Removes the entry. S_OK also when it did not exist; the failing HRESULT otherwise.
HRESULT RemoveRepairEntry(const RepairEntry& entry);

}  // namespace zu::standin
