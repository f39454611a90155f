#pragma once

namespace zu {

// Windows Update's state, asked of the Windows Update Agent through COM (each
// call in its own single-threaded apartment on the calling thread).

// True when the agent reports that it is installing updates. False when COM
// or the agent is not available.
bool IsWindowsUpdateRunning();

// True when the agent's automatic-update schedule starts an installation
// within the next two minutes (whatever the notification level). False
// without asking on Windows 8 and later, which install updates in automatic
// maintenance rather than at the configured hour, and false when COM, the
// agent or its schedule cannot be read.
bool IsWindowsUpdateScheduledSoon();

}  // namespace zu
