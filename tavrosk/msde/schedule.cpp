// The encoding of a job schedule on the server: daily 4 with the day count, weekly 8 with the server's
// weekday mask and a recurrence of 1, monthly 16 with the day and a recurrence of 1; start date and time
// as yyyymmdd and hhmmss in every case.
#include "msde/schedule.h"

namespace MSDE {

long ServerWeekdayMask(LONG weekdays) {
    long mask = 0;
    // Monday to Saturday move up one place; Sunday, last in the settings, comes first on the server.
    for (int day = 0; day < 6; ++day)
        if (weekdays & (1L << day)) mask |= 1L << (day + 1);
    if (weekdays & 64) mask |= 1;
    return mask;
}

ScheduleEncoding EncodeSchedule(const ScheduleSettings& settings) {
    ScheduleEncoding encoding;
    switch (settings.frequency) {
    case kWeekly:
        encoding.frequencyType = kFrequencyWeekly;
        encoding.frequencyInterval = ServerWeekdayMask(settings.weekdays);
        encoding.recurrenceFactor = 1;
        break;
    case kMonthly:
        encoding.frequencyType = kFrequencyMonthly;
        encoding.frequencyInterval = settings.dayOfMonth;
        encoding.recurrenceFactor = 1;
        break;
    default:
        encoding.frequencyType = kFrequencyDaily;
        encoding.frequencyInterval = settings.everyDays;
        break;
    }
    encoding.activeStartDate = settings.startDate;
    encoding.activeStartTimeOfDay = settings.startTime;
    return encoding;
}

HRESULT WriteSchedule(const ScheduleSettings& settings, IWSQLDMOSchedule* schedule) {
    if (!schedule) return E_POINTER;
    const ScheduleEncoding encoding = EncodeSchedule(settings);
    HRESULT hr = schedule->SetFrequencyType(encoding.frequencyType);
    if (SUCCEEDED(hr)) hr = schedule->SetFrequencyInterval(encoding.frequencyInterval);
    if (SUCCEEDED(hr) && encoding.recurrenceFactor)
        hr = schedule->SetFrequencyRecurrenceFactor(encoding.recurrenceFactor);
    if (SUCCEEDED(hr)) hr = schedule->SetActiveStartDate(encoding.activeStartDate);
    if (SUCCEEDED(hr)) hr = schedule->SetActiveStartTimeOfDay(encoding.activeStartTimeOfDay);
    return FAILED(hr) ? hr : S_OK;
}

} // namespace MSDE
