#include "tests/checks/inproc_standins.h"

#include <objbase.h>

#include "tests/support/journal.h"

namespace zu::test {
namespace {

SYSTEMTIME g_local_time = {};

void WINAPI FixedLocalTime(SYSTEMTIME* time) {
    *time = g_local_time;
}

}  // namespace

testing::AssertionResult RegisterStandinServer(Machine* machine,
                                               const CLSID& clsid,
                                               const wchar_t* dll) {
    wchar_t class_id[40] = {};
    ::StringFromGUID2(clsid, class_id, 40);
    const std::wstring key =
        std::wstring(L"Software\\Classes\\CLSID\\") + class_id + L"\\InprocServer32";
    const testing::AssertionResult server =
        machine->SetString(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, nullptr, StandinPath(dll));
    if (!server) {
        return server;
    }
    return machine->SetString(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, L"ThreadingModel",
                              L"Apartment");
}

ScopedLocalTime::ScopedLocalTime(const SYSTEMTIME& time)
    : patch_("kernel32.dll", "GetLocalTime", reinterpret_cast<void*>(&FixedLocalTime)) {
    g_local_time = time;
}

SYSTEMTIME JuneTime(WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = {};
    time.wYear = 2024;
    time.wMonth = 6;
    time.wDay = day;
    time.wDayOfWeek = static_cast<WORD>((day + 5) % 7);  // 1 June 2024 was a Saturday (6)
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

}  // namespace zu::test
