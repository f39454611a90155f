#pragma once

#include <windows.h>

#include "platform/launcher_context.h"

namespace zu {

// The worker thread's procedure; parameter is the LauncherContext. Runs the
// install sequence when the parameter is not null; always returns 0.
DWORD WINAPI InstallWorkerProc(void* parameter);

// Runs the install steps in their fixed order and ends the run by releasing the
// progress window. Steps do their best and report nothing back.
void RunInstallSequence(LauncherContext* context);

}  // namespace zu
