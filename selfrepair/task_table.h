#pragma once

namespace zu {

// A scheduled task of the self-repair tool as the tool defines it. The
// launcher never registers these tasks: it only asks whether they exist, by
// name and folder; the other fields describe them for the reader.
struct ScheduledTaskRecord {
    const wchar_t* name;
    // Below the maker's task folder: "\Koru Corporation\<folder>\<name>".
    const wchar_t* folder;
    // Below ProgramData for the guard task, below the native Program Files
    // folder for the two repair tasks.
    const wchar_t* program;
    const wchar_t* arguments;
    // Repetition interval and duration, ISO 8601; empty when none.
    const wchar_t* interval;
    const wchar_t* duration;
};

// The maker's folder in the root of the Task Scheduler library.
extern const wchar_t kMakerTaskFolder[];

// The guard that "/SummonGuard" creates, and the previous generation's repair
// tasks that "/ZUSRUninstall" removes.
extern const ScheduledTaskRecord kGuardTask;
extern const ScheduledTaskRecord kRepairTask;
extern const ScheduledTaskRecord kUltimateRepairTask;

// Windows XP has no Task Scheduler 2.0: the tool uses values of this key
// (HKEY_LOCAL_MACHINE, 64-bit view) instead, named like the tasks.
extern const wchar_t kRunKey[];
extern const wchar_t kGuardRunValue[];
extern const wchar_t kRepairRunValue[];
extern const wchar_t kUltimateRepairRunValue[];

}  // namespace zu
