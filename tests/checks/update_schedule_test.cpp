#include "checks/update_schedule.h"

#include <gtest/gtest.h>

#include "tests/checks/inproc_standins.h"

namespace zu {
namespace {

using test::JuneTime;

// June 2024: 15 is a Saturday, 16 a Sunday, 17 a Monday, 30 a Sunday.
constexpr WORD kSaturday = 15;
constexpr WORD kSunday = 16;
constexpr WORD kTuesday = 18;
constexpr WORD kWednesday = 19;
constexpr LONG kMonday = 2;
constexpr LONG kWednesdaySchedule = 4;

TEST(UpdateScheduleTest, EveryDayAt3_DueFrom0258UpTo0259_59Only) {
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 2, 57, 59), kScheduleEveryDay, 3));
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kTuesday, 2, 58, 0), kScheduleEveryDay, 3));
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kTuesday, 2, 59, 59), kScheduleEveryDay, 3));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 3, 0, 0), kScheduleEveryDay, 3));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 3, 1, 0), kScheduleEveryDay, 3));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 1, 58, 30), kScheduleEveryDay, 3));
}

TEST(UpdateScheduleTest, EveryDayAt0_DueLateTheEveningBeforeAlsoAtMonthEnd) {
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kTuesday, 23, 58, 0), kScheduleEveryDay, 0));
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(30, 23, 59, 59), kScheduleEveryDay, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(30, 23, 57, 59), kScheduleEveryDay, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 0, 0, 0), kScheduleEveryDay, 0));
}

TEST(UpdateScheduleTest, SundayAt0_DueFromSaturday2358AcrossTheWeekEnd) {
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kSaturday, 23, 58, 0), kScheduleSunday, 0));
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kSaturday, 23, 59, 59), kScheduleSunday, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSaturday, 23, 57, 59), kScheduleSunday, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSaturday, 22, 59, 0), kScheduleSunday, 0));
    // Sunday evening is six days before the next Sunday.
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSunday, 23, 59, 0), kScheduleSunday, 0));
}

TEST(UpdateScheduleTest, MondayAt0_DueFromSunday2358NotFromSaturday) {
    EXPECT_TRUE(IsScheduledInstallationDue(JuneTime(kSunday, 23, 58, 0), kMonday, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSunday, 23, 57, 59), kMonday, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSaturday, 23, 58, 0), kMonday, 0));
}

TEST(UpdateScheduleTest, WeekdayAtNoon_DueOnlyOnThatDay) {
    EXPECT_TRUE(
        IsScheduledInstallationDue(JuneTime(kWednesday, 11, 59, 0), kWednesdaySchedule, 12));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kTuesday, 11, 59, 0), kWednesdaySchedule, 12));
    EXPECT_FALSE(
        IsScheduledInstallationDue(JuneTime(kWednesday, 12, 0, 0), kWednesdaySchedule, 12));
}

TEST(UpdateScheduleTest, DayOrHourOutOfRange_NeverDue) {
    const SYSTEMTIME before_midnight = JuneTime(kSaturday, 23, 59, 0);
    EXPECT_FALSE(IsScheduledInstallationDue(before_midnight, 8, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(before_midnight, -1, 0));
    EXPECT_FALSE(IsScheduledInstallationDue(before_midnight, kScheduleEveryDay, 24));
    EXPECT_FALSE(IsScheduledInstallationDue(JuneTime(kSaturday, 0, 59, 0), kScheduleEveryDay, -23));
}

}  // namespace
}  // namespace zu
