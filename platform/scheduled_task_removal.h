#pragma once

namespace zu {

// Removes the client's scheduled task "<maker_folder>\ZEMI Update\<task_name>"
// (an earlier generation's, or the automatic installer's), e.g.
// RemoveLegacyTask(L"KORU", L"ZEMI Update"), and then the folder
// "<maker_folder>\ZEMI Update" if that was its last task; the maker folder
// itself stays. On Windows XP, which has no Task Scheduler 2.0,
// it deletes instead the value named task_name under HKEY_LOCAL_MACHINE
// "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" in the default view.
// Does nothing unless the launcher runs with administrator rights
// (IsAdministrator). Best effort, reports nothing: a missing task, folder or
// value is the normal case, a task that cannot be deleted leaves its folder
// alone, and COM that cannot be initialised on the calling thread skips the
// task. COM runs as a single-threaded apartment for the length of the call
// (or in the thread's own multithreaded apartment).
void RemoveLegacyTask(const wchar_t* maker_folder, const wchar_t* task_name);

}  // namespace zu
