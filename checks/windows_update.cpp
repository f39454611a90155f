#include "checks/windows_update.h"

#include <windows.h>
#include <wuapi.h>

#include "checks/update_schedule.h"
#include "platform/com_ptr.h"
#include "platform/os_version.h"
#include "platform/scoped_com.h"

namespace zu {
namespace {

// The scheduled day and hour; false, both untouched, when either cannot be read.
bool ReadSchedule(LONG* day, LONG* hour) {
    ComPtr<IAutomaticUpdates> updates;
    ComPtr<IAutomaticUpdatesSettings> settings;
    if (FAILED(::CoCreateInstance(CLSID_AutomaticUpdates, nullptr, CLSCTX_ALL,
                                  IID_IAutomaticUpdates, updates.ReceiveVoid())) ||
        !updates || FAILED(updates->get_Settings(settings.Receive())) || !settings) {
        return false;
    }
    AutomaticUpdatesScheduledInstallationDay scheduled_day = ausidEveryDay;
    LONG scheduled_hour = 0;
    // A schedule that cannot be read says nothing; taken as "every day at
    // midnight" it would refuse every run shortly before midnight.
    if (FAILED(settings->get_ScheduledInstallationDay(&scheduled_day)) ||
        FAILED(settings->get_ScheduledInstallationTime(&scheduled_hour))) {
        return false;
    }
    *day = scheduled_day;
    *hour = scheduled_hour;
    return true;
}

}  // namespace

bool IsWindowsUpdateRunning() {
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return false;
    }
    ComPtr<IUpdateInstaller> installer;
    if (FAILED(::CoCreateInstance(CLSID_UpdateInstaller, nullptr, CLSCTX_ALL, IID_IUpdateInstaller,
                                  installer.ReceiveVoid())) ||
        !installer) {
        return false;
    }
    VARIANT_BOOL busy = VARIANT_FALSE;
    return SUCCEEDED(installer->get_IsBusy(&busy)) && busy != VARIANT_FALSE;
}

bool IsWindowsUpdateScheduledSoon() {
    if (GetOsVersionCode() >= kOsWindows8) {
        return false;
    }
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return false;
    }
    LONG day = 0;
    LONG hour = 0;
    if (!ReadSchedule(&day, &hour)) {
        return false;
    }
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return IsScheduledInstallationDue(now, day, hour);
}

}  // namespace zu
