#include "checks/update_schedule.h"

#include <ctime>

namespace zu {
namespace {

constexpr std::time_t kDueWithinSeconds = 120;

// A local calendar moment of now's date, moved by whole days. The C library
// applies daylight saving time; -1 when it cannot convert the moment.
std::time_t LocalMoment(const SYSTEMTIME& now, int days_later, int hour, int minute, int second) {
    std::tm moment = {};
    moment.tm_year = now.wYear - 1900;
    moment.tm_mon = now.wMonth - 1;
    moment.tm_mday = now.wDay + days_later;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_sec = second;
    moment.tm_isdst = -1;
    return std::mktime(&moment);
}

// Whole days from today to the next scheduled installation, when that is
// today (0) or tomorrow (1); -1 otherwise, since it cannot then be due.
int DaysUntilScheduledDay(const SYSTEMTIME& now, LONG day, LONG hour) {
    if (day == kScheduleEveryDay) {
        return hour < now.wHour ? 1 : 0;
    }
    LONG today = now.wDayOfWeek + 1;  // 1 = Sunday ... 7 = Saturday, as the settings count
    // The week wraps from Saturday to Sunday: late Saturday evening is the
    // only time at which Sunday at hour 0 can be due.
    if (today == kScheduleSaturday && day == kScheduleSunday && now.wHour == 23 && hour == 0) {
        today = 0;
    }
    const LONG days = day - today;
    return (days == 0 || days == 1) ? static_cast<int>(days) : -1;
}

}  // namespace

bool IsScheduledInstallationDue(const SYSTEMTIME& now, LONG day, LONG hour) {
    if (day < kScheduleEveryDay || day > kScheduleSaturday || hour < 0 || hour > 23 ||
        now.wDayOfWeek > 6) {
        return false;
    }
    const int days_later = DaysUntilScheduledDay(now, day, hour);
    if (days_later < 0) {
        return false;
    }
    const std::time_t current = LocalMoment(now, 0, now.wHour, now.wMinute, now.wSecond);
    const std::time_t scheduled = LocalMoment(now, days_later, hour, 0, 0);
    if (current == -1 || scheduled == -1) {
        return false;
    }
    return scheduled > current && scheduled - current <= kDueWithinSeconds;
}

}  // namespace zu
