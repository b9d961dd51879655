// The schedule rules of the agent. Days are counted as whole civil days from 1970-01-01 with the
// proleptic Gregorian calendar, so that stepping by days, weeks and months never meets a time zone; only
// the final conversion of a day and a time of day to a moment asks the time zone.
#include "schedule.h"

#include <algorithm>

namespace tvagent {

namespace {

// Days from 1970-01-01 to a civil date, and back (the usual era-based conversion).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int* y, int* m, int* d) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (*m <= 2));
}

long long DayOf(int date) {
    return DaysFromCivil(date / 10000, static_cast<unsigned>(date / 100 % 100),
                         static_cast<unsigned>(date % 100));
}

int DateOf(long long day) {
    int y, m, d;
    CivilFromDays(day, &y, &m, &d);
    return (y * 100 + m) * 100 + d;
}

int Weekday(long long day) { // 0 Sunday .. 6 Saturday; 1970-01-01 was a Thursday
    return static_cast<int>(((day + 4) % 7 + 7) % 7);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int Seconds(int hhmmss) {
    return hhmmss / 10000 * 3600 + hhmmss / 100 % 100 * 60 + hhmmss % 100;
}

int Hhmmss(int seconds) {
    return seconds / 3600 * 10000 + seconds / 60 % 60 * 100 + seconds % 60;
}

// The local calendar day that a moment falls on.
long long LocalDay(std::time_t when) {
    struct tm local;
    localtime_r(&when, &local);
    return DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                         static_cast<unsigned>(local.tm_mday));
}

// The first run on `day` after `after`, or 0: the start time, or with a sub-day frequency every
// interval from the start time to the end time.
std::time_t RunOnDay(const tvengine::JobSchedule& s, long long day, std::time_t after) {
    int date = DateOf(day);
    int step = 0;
    switch (s.frequencySubdayType) {
    case 2:
        step = s.frequencySubdayInterval;
        break; // seconds
    case 4:
        step = s.frequencySubdayInterval * 60;
        break; // minutes
    case 8:
        step = s.frequencySubdayInterval * 3600;
        break; // hours
    default:
        break; // 1: once, at the start time
    }
    int first = Seconds(s.activeStartTime), last = step > 0 ? Seconds(s.activeEndTime) : first;
    for (int at = first; at <= last; at += std::max(step, 1)) {
        std::time_t when = LocalMoment(date, Hhmmss(at));
        if (when > after) return when;
        if (step <= 0) break;
    }
    return 0;
}

} // namespace

std::time_t LocalMoment(int date, int time) {
    struct tm wall = {};
    wall.tm_year = date / 10000 - 1900;
    wall.tm_mon = date / 100 % 100 - 1;
    wall.tm_mday = date % 100;
    wall.tm_hour = time / 10000;
    wall.tm_min = time / 100 % 100;
    wall.tm_sec = time % 100;
    struct tm copy = wall;
    const std::time_t asUtc = timegm(&copy);
    auto wallOf = [](std::time_t moment) {
        struct tm local;
        localtime_r(&moment, &local);
        return timegm(&local);
    };
    // The offsets in force half a day either side cover the one change a day can have.
    std::time_t best = 0;
    for (std::time_t probe : {asUtc - 43200, asUtc + 43200}) {
        struct tm local;
        localtime_r(&probe, &local);
        std::time_t candidate = asUtc - local.tm_gmtoff;
        if (wallOf(candidate) == asUtc && (best == 0 || candidate < best)) best = candidate;
    }
    if (best != 0) return best;
    // The clock skips this time: the first moment whose clock shows a later time ends the gap.
    std::time_t low = asUtc - 14 * 3600, high = asUtc + 14 * 3600;
    while (low + 1 < high) {
        std::time_t middle = low + (high - low) / 2;
        (wallOf(middle) >= asUtc ? high : low) = middle;
    }
    return high;
}

void ServerDateTime(std::time_t when, int* date, int* time) {
    struct tm local;
    localtime_r(&when, &local);
    *date = ((local.tm_year + 1900) * 100 + local.tm_mon + 1) * 100 + local.tm_mday;
    *time = (local.tm_hour * 100 + local.tm_min) * 100 + local.tm_sec;
}

std::time_t NextRun(const tvengine::JobSchedule& s, std::time_t after) {
    if (s.activeStartDate <= 0) return 0;
    const long long start = DayOf(s.activeStartDate);
    const long long end = DayOf(s.activeEndDate > 0 ? s.activeEndDate : 99991231);
    // A run on the day `after` falls on may still be ahead; a day before it, in any time zone, is not.
    const long long from = std::max(start, LocalDay(after) - 1);
    const int every = std::max(s.frequencyRecurrenceFactor, 1);

    switch (s.frequencyType) {
    case 1: { // once, at the start date and time
        std::time_t when = LocalMoment(s.activeStartDate, s.activeStartTime);
        return when > after ? when : 0;
    }
    case 4: { // every n days from the start date
        const int n = std::max(s.frequencyInterval, 1);
        for (long long day = start + (from - start + n - 1) / n * n; day <= end; day += n)
            if (std::time_t when = RunOnDay(s, day, after)) return when;
        return 0;
    }
    case 8: { // on the weekdays of the mask (Sunday 1), every n weeks from the start date's week
        const long long firstWeek = start - Weekday(start); // weeks begin on Sunday
        for (long long day = from; day <= end && day < from + 7LL * every + 14; ++day) {
            if (!(s.frequencyInterval & (1 << Weekday(day)))) continue;
            if ((day - firstWeek) / 7 % every != 0) continue;
            if (std::time_t when = RunOnDay(s, day, after)) return when;
        }
        return 0;
    }
    case 16: { // on a day of the month, every n months from the start date's month
        int y, m, d;
        CivilFromDays(start, &y, &m, &d);
        const long long firstMonth = y * 12LL + (m - 1);
        CivilFromDays(from, &y, &m, &d);
        long long month = y * 12LL + (m - 1);
        month += ((firstMonth - month) % every + every) % every; // the first month of the cycle from here
        // Forty years of months is more than any day of the month needs to come round again.
        for (int tries = 0; tries < 480; ++tries, month += every) {
            int year = static_cast<int>(month / 12), mon = static_cast<int>(month % 12) + 1;
            if (s.frequencyInterval > DaysInMonth(year, mon)) continue; // the month lacks that day
            long long day =
                DaysFromCivil(year, static_cast<unsigned>(mon), static_cast<unsigned>(s.frequencyInterval));
            if (day < start) continue;
            if (day > end) return 0;
            if (std::time_t when = RunOnDay(s, day, after)) return when;
        }
        return 0;
    }
    default: // monthly relative, at agent start, when idle: not run by this agent
        return 0;
    }
}

} // namespace tvagent
