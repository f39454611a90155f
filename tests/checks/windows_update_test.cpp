#include "checks/windows_update.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wuapi.h>

#include "tests/checks/inproc_standins.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/wine_guard.h"

namespace zu {
namespace {

constexpr wchar_t kStandin[] = L"WuaStandin.dll";

// Wine's own Windows Update Agent is never busy and has no schedule; these
// tests put the stand-in in its place, which answers per the behaviour file.
class WindowsUpdateTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ClearBehaviour();
        test::ClearJournal();
    }
    void TearDown() override { test::ClearBehaviour(); }

    void UseStandin() {
        ASSERT_TRUE(test::RegisterStandinServer(&machine_, CLSID_UpdateInstaller, kStandin));
        ASSERT_TRUE(test::RegisterStandinServer(&machine_, CLSID_AutomaticUpdates, kStandin));
    }
    // The stand-in's schedule: every day at hour 3.
    void ScheduleAt3() {
        test::SetBehaviour(kStandin, L"schedule_day", 0);
        test::SetBehaviour(kStandin, L"schedule_hour", 3);
    }

    test::Machine machine_;
};

TEST_F(WindowsUpdateTest, Running_SystemAgent_NotBusy) {
    EXPECT_FALSE(IsWindowsUpdateRunning());
}

TEST_F(WindowsUpdateTest, Running_AgentReportsBusyOrIdle) {
    UseStandin();
    test::SetBehaviour(kStandin, L"busy", 1);
    EXPECT_TRUE(IsWindowsUpdateRunning());
    test::SetBehaviour(kStandin, L"busy", 0);
    EXPECT_FALSE(IsWindowsUpdateRunning());
    EXPECT_TRUE(test::HasEvent(kStandin, L"IsBusy"));
}

TEST_F(WindowsUpdateTest, ScheduledSoon_SystemAgentWithoutSettings_False) {
    test::ScopedLocalTime time(test::JuneTime(18, 23, 59, 0));  // every day at 0 would be due
    ASSERT_TRUE(time.active());
    EXPECT_FALSE(IsWindowsUpdateScheduledSoon());
}

TEST_F(WindowsUpdateTest, ScheduledSoon_TwoMinutesBeforeTheHour_TrueBeforeWindows8) {
    if (test::WindowsOfThisEntry() == test::EntryWindows::kWindows10) {
        GTEST_SKIP() << "Windows 8 and later do not ask";
    }
    UseStandin();
    ScheduleAt3();
    // Notification only: the schedule counts whatever the update mode.
    test::SetBehaviour(kStandin, L"notification_level", aunlNotifyBeforeDownload);
    {
        test::ScopedLocalTime time(test::JuneTime(18, 2, 58, 0));
        ASSERT_TRUE(time.active());
        EXPECT_TRUE(IsWindowsUpdateScheduledSoon());
    }
    test::ScopedLocalTime time(test::JuneTime(18, 3, 0, 0));
    EXPECT_FALSE(IsWindowsUpdateScheduledSoon());
}

TEST_F(WindowsUpdateTest, ScheduledSoon_ScheduleUnreadable_FalseNotMidnight) {
    UseStandin();
    test::SetBehaviour(kStandin, L"schedule_fails", 1);
    test::ScopedLocalTime time(test::JuneTime(18, 23, 59, 0));
    ASSERT_TRUE(time.active());
    EXPECT_FALSE(IsWindowsUpdateScheduledSoon());
}

TEST_F(WindowsUpdateTest, ScheduledSoon_Windows8AndLater_FalseWithoutAsking) {
    if (test::WindowsOfThisEntry() != test::EntryWindows::kWindows10) {
        GTEST_SKIP() << "runs in the Windows 8 and later entries";
    }
    UseStandin();
    ScheduleAt3();
    test::ScopedLocalTime time(test::JuneTime(18, 2, 59, 0));
    ASSERT_TRUE(time.active());
    EXPECT_FALSE(IsWindowsUpdateScheduledSoon());
    EXPECT_TRUE(test::ReadJournal().empty());
}

}  // namespace
}  // namespace zu
