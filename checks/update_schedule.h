#pragma once

#include <windows.h>

namespace zu {

// Schedule days as Windows Update's automatic-update settings give them.
inline constexpr LONG kScheduleEveryDay = 0;
inline constexpr LONG kScheduleSunday = 1;
inline constexpr LONG kScheduleSaturday = 7;

// True when the scheduled automatic installation of Windows Update begins
// after now and at most two minutes later. now is local time (with its day of
// the week); day is 0 for every day or 1 (Sunday) to 7 (Saturday), hour 0 to
// 23. An installation hour that has already begun does not count. False for a
// day or hour out of those ranges and for a time the C library cannot convert.
bool IsScheduledInstallationDue(const SYSTEMTIME& now, LONG day, LONG hour);

}  // namespace zu
