#pragma once

#include <windows.h>

#include <string>

#include "selfrepair/task_table.h"

namespace zu::test {

// "\Koru Corporation\<folder>" of the record, as the task fixture names folders.
std::wstring MakerTaskFolderPath(const ScheduledTaskRecord& record);

// Removes the guard and repair tasks, their folders when empty, and the three
// Run values in both views: whatever a test or a tool under test left.
void RemoveSelfRepairEntries();

// Drops the Administrators group from a group list in place, as the token of a
// standard user would list it.
void RemoveAdministratorsGroup(TOKEN_GROUPS* groups);

}  // namespace zu::test
