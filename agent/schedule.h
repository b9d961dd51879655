// When a job schedule fires, by the server's rules for its encoding (frequency type, interval,
// recurrence factor, active start and end date and time), in the local time of the process's time zone.
// Pure functions of their arguments and the time zone, so that tests can pin both.
#pragma once

#include <ctime>

#include "engine/engine.h"

namespace tvagent {

// The first time strictly after `after` at which the schedule fires, or 0 when it never fires again
// (a one-time schedule that has passed, the end of its active dates, a type the agent does not run).
// A day that a month lacks (the 31st in April) has no run; a time that the clock skips on a
// daylight-saving day runs at the first moment after the gap; a time that comes twice runs once.
std::time_t NextRun(const tvengine::JobSchedule& schedule, std::time_t after);

// The moment a local date (yyyymmdd) and time (hhmmss) stand for: the earlier one when the clock shows it
// twice, the end of the gap when the clock skips it.
std::time_t LocalMoment(int date, int time);

// A moment as the server's local date (yyyymmdd) and time (hhmmss).
void ServerDateTime(std::time_t when, int* date, int* time);

} // namespace tvagent
