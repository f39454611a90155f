#pragma once

#include <windows.h>

#include "platform/launcher_context.h"

namespace zu {

// Exit code of a launcher that could not build its window or start its worker.
inline constexpr int kStartupFailedExitCode = 1;
// Exit code of a run that could not install the new generation.
inline constexpr int kInstallFailedExitCode = 2;
// Exit code of a launcher that found another one running.
inline constexpr int kAlreadyRunningExitCode = -1;

// The process-wide context that both threads share.
LauncherContext& TheLauncherContext();

// Reads the command line and the launch mode into context, registers the
// window class, creates the progress window and starts the worker thread.
// False when any of these fails.
bool StartLauncher(LauncherContext* context,
                   const wchar_t* command_line,
                   HINSTANCE instance,
                   int show_command);

// The whole process: single instance, start-up, then the message loop until
// the progress window is destroyed. Returns the process exit code.
int RunLauncher(HINSTANCE instance, const wchar_t* command_line, int show_command);

}  // namespace zu
