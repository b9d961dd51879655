// ScheduleSettings, a job schedule as the wizards collect it, and its encoding on the server's schedule
// object: the Add Job Schedule wizard and the Backup wizard's job both write it this way.
#pragma once

#include <string>

#include "sqldmo.h"
#include "windows.h"

namespace MSDE {

enum ScheduleFrequency { kDaily = 0, kWeekly = 1, kMonthly = 2 };

struct ScheduleSettings {
    std::wstring name; // the schedule's name; the job's name in the Backup wizard
    LONG frequency = kDaily;
    LONG everyDays = 1;  // daily: every n days
    LONG weekdays = 128; // weekly: bit 0 Monday ... bit 6 Sunday
    LONG dayOfMonth = 1; // monthly
    LONG startTime = 0;  // hhmmss
    LONG startDate = 0;  // yyyymmdd
};

// The server's frequency types of the three frequencies.
constexpr long kFrequencyDaily = 4;
constexpr long kFrequencyWeekly = 8;
constexpr long kFrequencyMonthly = 16;

// The server's weekday mask (Sunday 1, Monday 2 ... Saturday 64) of the settings' bits (Monday first,
// Sunday 64); bits beyond Sunday have no day and are dropped.
long ServerWeekdayMask(LONG weekdays);

// The server's frequency type, frequency interval and recurrence factor of the settings; a factor of 0
// means the wizards leave it unwritten (daily schedules).
struct ScheduleEncoding {
    long frequencyType = kFrequencyDaily;
    long frequencyInterval = 1;
    long recurrenceFactor = 0;
    long activeStartDate = 0;
    long activeStartTimeOfDay = 0;
};
ScheduleEncoding EncodeSchedule(const ScheduleSettings& settings);

// Writes the encoding to a new job schedule's schedule object; nothing else of the schedule is written,
// so the server's defaults stand. The first failing call's result, else S_OK.
HRESULT WriteSchedule(const ScheduleSettings& settings, IWSQLDMOSchedule* schedule);

} // namespace MSDE
