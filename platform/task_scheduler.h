#pragma once

#include <windows.h>
#include <taskschd.h>

#include "platform/com_ptr.h"

namespace zu {

// The Task Scheduler 2.0 (Windows Vista and later) as the launcher's parts
// reach it: the connection and the walk to a task folder. COM must be
// initialised on the calling thread.

// A Task Scheduler connected to the local machine as the current user. False,
// service untouched, when the object cannot be made or cannot connect.
bool ConnectTaskService(ComPtr<ITaskService>* service);

// Opens the folder at path, as the service names it ("\\" for the root,
// "KORU\\ZEMI Update" below it). False, folder untouched, when it cannot be
// opened.
bool OpenTaskFolder(ITaskService* service, const wchar_t* path, ComPtr<ITaskFolder>* folder);

// Opens the folder named name directly below parent. False, child untouched,
// when it cannot be opened.
bool OpenChildTaskFolder(ITaskFolder* parent, const wchar_t* name, ComPtr<ITaskFolder>* child);

}  // namespace zu
