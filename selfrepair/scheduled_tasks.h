#pragma once

#include <windows.h>
#include <taskschd.h>

#include "platform/com_ptr.h"
#include "platform/task_scheduler.h"
#include "selfrepair/task_table.h"

namespace zu {

// Whether the self-repair tool's scheduled tasks (Vista and later) or Run
// values (Windows XP) exist. The launcher only looks; the tool creates and
// removes them. Every failure (not an administrator, COM or the Task Scheduler
// unavailable, a folder or task missing) answers false, so for the repair
// entries false means "gone".

// Vista and later: the guard task exists and is not disabled.
bool IsGuardTaskActive();

// Vista and later: the previous generation's repair / ultimate-repair task exists.
bool IsRepairTaskPresent();
bool IsUltimateRepairTaskPresent();

// Windows XP: the guard's Run value exists as a string (REG_SZ or
// REG_EXPAND_SZ; other types do not count).
bool IsGuardRunEntryPresent();

// Windows XP: either repair Run value exists as a string.
bool IsRepairRunEntryPresent();

// The task "\Koru Corporation\<folder>\<name>" can be opened. Asks nothing of
// the Task Scheduler, and answers false, unless the process token lists the
// Administrators group. COM runs as a single-threaded apartment for the call.
bool TaskExists(const ScheduledTaskRecord& record);

// As TaskExists, and the task's state is not disabled (running, ready, queued
// and any other state count as enabled).
bool IsTaskEnabled(const ScheduledTaskRecord& record);

// Opens "\Koru Corporation\<folder_name>". False, folder untouched, when any
// level cannot be opened.
bool OpenMakerTaskFolder(ITaskService* service,
                         const wchar_t* folder_name,
                         ComPtr<ITaskFolder>* folder);

}  // namespace zu
