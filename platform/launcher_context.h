#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/dpi_scale.h"

namespace zu {

struct LauncherContext;

// Asks the user to choose one of countries (in that order) and answers as the
// region window does: true once asked, country then the choice or empty when
// the user declined; false, country untouched, when the user could not be asked.
using CountryChooser = bool (*)(const LauncherContext& context,
                                const std::vector<std::wstring>& countries,
                                std::wstring* country);

// The one object the UI thread and the worker thread share. The UI thread fills
// it before the worker starts; afterwards the worker writes only closeBlocked
// (to false, right before posting WM_CLOSE), exitCode (before that) and the two
// generation-4 flags. Every layer above this one receives it by pointer.
struct LauncherContext {
    HWND progressBar = nullptr;
    // While true the progress window ignores WM_CLOSE.
    volatile bool closeBlocked = true;

    // Launch modes: exactly one of launchInstaller, zusrInstall,
    // zeuInstallSilent, ordinaryRun is set, plus the silent variant of 3 or 4.
    bool launchInstaller = false;
    bool launchInstallerSilent = false;
    bool zusrInstall = false;
    bool zeuInstallSilent = false;
    bool ordinaryRun = false;
    bool ordinaryRunSilent = false;
    // The command line holds /s or -s; read only when choosing the launch mode.
    bool silent = false;

    HWND mainWindow = nullptr;
    HINSTANCE instance = nullptr;
    HWND statusText = nullptr;
    HFONT font = nullptr;
    HANDLE workerThread = nullptr;
    // The command line as wWinMain receives it, without the launcher's path.
    std::wstring commandLine;

    // The process's exit code, set by the worker before it releases the window.
    volatile int exitCode = 0;

    bool gen4VersionNative = false;
    bool gen4VersionProgramFiles = false;

    DpiScale dpi;

    // How region discovery asks the user for the country when nothing on the
    // machine tells it: the region window, set by the launcher. Null: the user
    // cannot be asked.
    CountryChooser chooseCountry = nullptr;
};

}  // namespace zu
