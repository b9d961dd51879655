// The progress bar: a position within a range (0 to 100 until the range is set), moved by PBM_SETPOS,
// PBM_DELTAPOS and PBM_STEPIT. It notifies no one. A wizard's worker thread moves it by sending
// PBM_SETPOS across threads; once the bar is destroyed that send returns 0 without effect.
#include <algorithm>

#include "comctl32_internal.h"
#include "tvinput.h"

namespace {

using namespace cc;

struct Progress {
    int low = 0, high = 100, position = 0, step = 10;
};

int Clamp(const Progress& p, int position) {
    return std::clamp(position, std::min(p.low, p.high), std::max(p.low, p.high));
}

LRESULT SetRange(Progress& p, int low, int high) {
    LRESULT previous = MAKELRESULT(static_cast<WORD>(p.low), static_cast<WORD>(p.high));
    p.low = low;
    p.high = high;
    p.position = Clamp(p, p.position);
    return previous;
}

LRESULT Handle(HWND hwnd, Progress& p, UINT message, WPARAM wParam, LPARAM lParam) {
    int previous = p.position;
    switch (message) {
    case PBM_SETRANGE:
        return SetRange(p, LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32:
        return SetRange(p, static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
        if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = {p.low, p.high};
        return wParam ? p.low : p.high;
    case PBM_SETPOS:
        p.position = Clamp(p, static_cast<int>(wParam));
        return previous;
    case PBM_DELTAPOS:
        p.position = Clamp(p, p.position + static_cast<int>(wParam));
        return previous;
    case PBM_SETSTEP: {
        int old = p.step;
        p.step = static_cast<int>(wParam);
        return old;
    }
    case PBM_GETSTEP:
        return p.step;
    case PBM_STEPIT:
        // Past the end, the bar starts again from the beginning of its range.
        p.position += p.step;
        if (p.position > p.high) p.position = p.low + (p.position - p.high);
        if (p.position < p.low) p.position = p.high - (p.low - p.position);
        p.position = Clamp(p, p.position);
        return previous;
    case PBM_GETPOS:
        return p.position;
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        s->kind = tvp::Kind::ProgressBar;
        s->position = p.position;
        s->low = p.low;
        s->high = p.high;
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK cc::ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<Progress>(hwnd, message, wParam, lParam, Handle);
}
