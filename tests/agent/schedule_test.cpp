// The schedule rules over a fixed clock, in a time zone each test sets itself (with its daylight-saving
// rules written out, so that no time zone data is needed): weekly, daily every n days and monthly runs,
// month ends and leap days, the 31st in short months, and the days the clock skips or repeats an hour.
#include <gtest/gtest.h>

#include <cstdlib>

#include "schedule.h"

using tvagent::LocalMoment;
using tvagent::NextRun;
using tvengine::JobSchedule;

namespace {

// US Eastern time: summer time from the second Sunday of March at 02:00 to the first Sunday of
// November at 02:00.
class Schedules : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        saved_ = old ? old : "";
        hadTz_ = old != nullptr;
        setenv("TZ", "EST5EDT,M3.2.0/2,M11.1.0/2", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    // The runs after `from`, as "yyyymmdd hhmmss" in local time.
    static std::vector<std::string> Runs(const JobSchedule& s, std::time_t from, int count) {
        std::vector<std::string> runs;
        for (std::time_t at = from; count-- > 0;) {
            at = NextRun(s, at);
            if (at == 0) break;
            int date, time;
            tvagent::ServerDateTime(at, &date, &time);
            char text[32];
            std::snprintf(text, sizeof(text), "%08d %06d", date, time);
            runs.push_back(text);
        }
        return runs;
    }

    static JobSchedule Make(int type, int interval, int factor, int startDate, int startTime) {
        JobSchedule s;
        s.frequencyType = type;
        s.frequencyInterval = interval;
        s.frequencyRecurrenceFactor = factor;
        s.activeStartDate = startDate;
        s.activeStartTime = startTime;
        return s;
    }

private:
    std::string saved_;
    bool hadTz_ = false;
};

using Times = std::vector<std::string>;

} // namespace

TEST_F(Schedules, WeeklyOnMondayAndFridayEveryOneAndTwoWeeks) {
    // Monday 2 and Friday 32; 7 December 2026 is a Monday.
    JobSchedule weekly = Make(8, 34, 1, 20261207, 230000);
    EXPECT_EQ(Runs(weekly, LocalMoment(20261201, 0), 4),
              (Times{"20261207 230000", "20261211 230000", "20261214 230000", "20261218 230000"}));
    // Asked at the very moment of a run, the next one is the following occurrence.
    EXPECT_EQ(Runs(weekly, LocalMoment(20261207, 230000), 1), (Times{"20261211 230000"}));
    // Every two weeks, counted from the week of the start date (weeks begin on Sunday).
    JobSchedule fortnightly = Make(8, 34, 2, 20261209, 80000);
    EXPECT_EQ(Runs(fortnightly, LocalMoment(20261209, 0), 4),
              (Times{"20261211 080000", "20261221 080000", "20261225 080000", "20270104 080000"}));
}

TEST_F(Schedules, DailyEveryThreeDaysAcrossMonthAndYearEndsAndALeapDay) {
    JobSchedule daily = Make(4, 3, 0, 20261227, 10000);
    EXPECT_EQ(Runs(daily, LocalMoment(20261228, 0), 3),
              (Times{"20261230 010000", "20270102 010000", "20270105 010000"}));
    JobSchedule leap = Make(4, 3, 0, 20280223, 120000);
    EXPECT_EQ(Runs(leap, LocalMoment(20280224, 0), 3),
              (Times{"20280226 120000", "20280229 120000", "20280303 120000"}));
    // The active end date ends the runs.
    leap.activeEndDate = 20280301;
    EXPECT_EQ(Runs(leap, LocalMoment(20280224, 0), 3), (Times{"20280226 120000", "20280229 120000"}));
}

TEST_F(Schedules, MonthlySkipsTheMonthsThatLackTheDay) {
    JobSchedule on31st = Make(16, 31, 1, 20270115, 40000);
    EXPECT_EQ(Runs(on31st, LocalMoment(20270115, 0), 5),
              (Times{"20270131 040000", "20270331 040000", "20270531 040000", "20270731 040000",
                     "20270831 040000"}));
    // The 29th comes in February of a leap year only; every two months counts from the start month.
    JobSchedule on29th = Make(16, 29, 2, 20271201, 0);
    EXPECT_EQ(Runs(on29th, LocalMoment(20271201, 0), 3),
              (Times{"20271229 000000", "20280229 000000", "20280429 000000"}));
}

TEST_F(Schedules, OnceRunsAtItsTimeAndNeverAgain) {
    JobSchedule once = Make(1, 0, 0, 20261208, 153000);
    EXPECT_EQ(NextRun(once, LocalMoment(20261208, 152959)), LocalMoment(20261208, 153000));
    EXPECT_EQ(NextRun(once, LocalMoment(20261208, 153000)), 0);
    EXPECT_EQ(NextRun(Make(64, 0, 0, 20261208, 0), LocalMoment(20261201, 0)), 0); // at agent start: not run
}

TEST_F(Schedules, DaylightSavingGapRunsAfterItAndTheRepeatedHourRunsOnce) {
    // 14 March 2027: the clock goes from 01:59:59 to 03:00:00, so 02:30 does not exist that day.
    JobSchedule daily = Make(4, 1, 0, 20270310, 23000);
    EXPECT_EQ(Runs(daily, LocalMoment(20270313, 120000), 3),
              (Times{"20270314 030000", "20270315 023000", "20270316 023000"}));
    EXPECT_EQ(LocalMoment(20270314, 30000) - LocalMoment(20270314, 15959), 1);
    // 7 November 2027: 01:00 to 01:59:59 comes twice; a 01:30 run happens at the first and not again.
    JobSchedule repeated = Make(4, 1, 0, 20271101, 13000);
    std::time_t first = NextRun(repeated, LocalMoment(20271106, 120000));
    EXPECT_EQ(first, LocalMoment(20271107, 13000));
    EXPECT_EQ(NextRun(repeated, LocalMoment(20271107, 3000)), first);
    EXPECT_EQ(NextRun(repeated, first) - first, 25 * 3600); // the next day, an hour longer
}
