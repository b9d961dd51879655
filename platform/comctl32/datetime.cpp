// The date-time picker: one SYSTEMTIME (the local time when the picker is made), shown in the format of
// its style (DTS_TIMEFORMAT "h:mm:ss tt", DTS_LONGDATEFORMAT "dddd, MMMM d, yyyy", otherwise
// "M/d/yyyy", as in English (United States)) or in a format given with DTM_SETFORMATW. A person's
// change notifies the parent with DTN_DATETIMECHANGE; DTM_SETSYSTEMTIME notifies nothing. The style is
// read afresh each time, so code may switch a picker to the time format with SetWindowLongPtrW.
#include <algorithm>
#include <string>

#include "comctl32_internal.h"
#include "tvinput.h"

namespace {

using namespace cc;

struct DateTime {
    SYSTEMTIME time{};
    bool valid = true; // false: "no date", with DTS_SHOWNONE
    std::wstring format;
    bool hasMin = false, hasMax = false;
    SYSTEMTIME min{}, max{};
    HFONT font = nullptr;
};

const wchar_t* const kMonths[] = {L"January",   L"February", L"March",    L"April",
                                  L"May",       L"June",     L"July",     L"August",
                                  L"September", L"October",  L"November", L"December"};
const wchar_t* const kDays[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                L"Thursday", L"Friday", L"Saturday"};

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

bool IsValid(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 9999 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= DaysIn(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
           t.wMilliseconds < 1000;
}

// Sakamoto's method: 0 is Sunday.
WORD DayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return static_cast<WORD>((year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7);
}

long long Key(const SYSTEMTIME& t) {
    return ((((t.wYear * 13LL + t.wMonth) * 32 + t.wDay) * 24 + t.wHour) * 60 + t.wMinute) * 60 + t.wSecond;
}

std::wstring DefaultFormat(DWORD style) {
    if ((style & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) return L"h:mm:ss tt";
    if ((style & DTS_SHORTDATECENTURYFORMAT) == DTS_SHORTDATECENTURYFORMAT) return L"M/d/yyyy";
    if (style & DTS_LONGDATEFORMAT) return L"dddd, MMMM d, yyyy";
    return L"M/d/yyyy";
}

std::wstring Pad(int value, size_t width) {
    std::wstring text = std::to_wstring(value);
    return text.size() < width ? std::wstring(width - text.size(), L'0') + text : text;
}

// The picture-format elements of the documented control: d dd ddd dddd M MM MMM MMMM y yy yyyy h hh
// H HH m mm s ss t tt, and 'quoted' text.
std::wstring Format(const SYSTEMTIME& t, const std::wstring& format) {
    std::wstring out;
    for (size_t i = 0; i < format.size();) {
        WCHAR c = format[i];
        if (c == L'\'') {
            size_t end = format.find(L'\'', i + 1);
            out += format.substr(i + 1, (end == std::wstring::npos ? format.size() : end) - i - 1);
            i = end == std::wstring::npos ? format.size() : end + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
        switch (c) {
        case L'd':
            out += run >= 4   ? kDays[t.wDayOfWeek % 7]
                   : run == 3 ? std::wstring(kDays[t.wDayOfWeek % 7]).substr(0, 3)
                              : Pad(t.wDay, run);
            break;
        case L'M':
            out += run >= 4   ? kMonths[t.wMonth - 1]
                   : run == 3 ? std::wstring(kMonths[t.wMonth - 1]).substr(0, 3)
                              : Pad(t.wMonth, run);
            break;
        case L'y':
            out += run <= 2 ? Pad(t.wYear % 100, run) : Pad(t.wYear, 4);
            break;
        case L'h':
            out += Pad(hour12, std::min<size_t>(run, 2));
            break;
        case L'H':
            out += Pad(t.wHour, std::min<size_t>(run, 2));
            break;
        case L'm':
            out += Pad(t.wMinute, std::min<size_t>(run, 2));
            break;
        case L's':
            out += Pad(t.wSecond, std::min<size_t>(run, 2));
            break;
        case L't':
            out += run >= 2 ? (t.wHour < 12 ? L"AM" : L"PM") : (t.wHour < 12 ? L"A" : L"P");
            break;
        default:
            out.append(run, c);
            break;
        }
        i += run;
    }
    return out;
}

std::wstring Shown(HWND hwnd, const DateTime& state) {
    if (!state.valid) return std::wstring();
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    return Format(state.time, state.format.empty() ? DefaultFormat(style) : state.format);
}

bool InRange(const DateTime& state, const SYSTEMTIME& t) {
    return (!state.hasMin || Key(t) >= Key(state.min)) && (!state.hasMax || Key(t) <= Key(state.max));
}

// Stores a valid time with its day of the week; false for a time that is no date.
bool Store(DateTime& state, SYSTEMTIME t) {
    if (!IsValid(t)) return false;
    t.wDayOfWeek = DayOfWeek(t.wYear, t.wMonth, t.wDay);
    state.time = t;
    state.valid = true;
    return true;
}

LRESULT Handle(HWND hwnd, DateTime& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        SYSTEMTIME now;
        GetLocalTime(&now);
        now.wMilliseconds = 0;
        Store(state, now);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case DTM_GETSYSTEMTIME:
        if (!lParam) return GDT_ERROR;
        if (!state.valid) return GDT_NONE;
        *reinterpret_cast<SYSTEMTIME*>(lParam) = state.time;
        return GDT_VALID;
    case DTM_SETSYSTEMTIME:
        if (wParam == GDT_NONE) {
            if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & DTS_SHOWNONE)) return FALSE;
            state.valid = false;
            return TRUE;
        }
        return wParam == GDT_VALID && lParam && Store(state, *reinterpret_cast<const SYSTEMTIME*>(lParam));
    case DTM_GETRANGE: {
        auto* range = reinterpret_cast<SYSTEMTIME*>(lParam);
        if (!range) return 0;
        if (state.hasMin) range[0] = state.min;
        if (state.hasMax) range[1] = state.max;
        return (state.hasMin ? GDTR_MIN : 0) | (state.hasMax ? GDTR_MAX : 0);
    }
    case DTM_SETRANGE: {
        auto* range = reinterpret_cast<const SYSTEMTIME*>(lParam);
        if ((wParam & (GDTR_MIN | GDTR_MAX)) && !range) return FALSE;
        state.hasMin = (wParam & GDTR_MIN) && IsValid(range[0]);
        state.hasMax = (wParam & GDTR_MAX) && IsValid(range[1]);
        if (state.hasMin) state.min = range[0];
        if (state.hasMax) state.max = range[1];
        return TRUE;
    }
    case DTM_SETFORMATW:
        state.format = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        return TRUE;
    case WM_GETTEXT:
        return CopyText(Shown(hwnd, state), reinterpret_cast<LPWSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(Shown(hwnd, state).size());
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(state.font, message, wParam);
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        s->kind = tvp::Kind::DateTimePicker;
        s->time = state.time;
        s->timeValid = state.valid;
        s->text = Shown(hwnd, state);
        return TRUE;
    }
    case TVM_INPUTTIME: {
        SYSTEMTIME t = *reinterpret_cast<const SYSTEMTIME*>(lParam);
        t.wMilliseconds = 0;
        if (!IsValid(t) || !InRange(state, t)) return FALSE;
        bool changed = !state.valid || Key(t) != Key(state.time);
        Store(state, t);
        if (changed) {
            NMDATETIMECHANGE change{};
            change.dwFlags = GDT_VALID;
            change.st = state.time;
            Notify(hwnd, DTN_DATETIMECHANGE, change.nmhdr);
        }
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK cc::DateTimeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<DateTime>(hwnd, message, wParam, lParam, Handle);
}
