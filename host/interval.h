// Interval: a closed range of times. The empty interval is both ends at TIME_NegInfinity.
#pragma once

#include "maxtypes.h"

class Interval {
public:
    Interval(TimeValue s, TimeValue e) { Set(s, e); }
    Interval() { SetEmpty(); }

    // The ends are ordered, as the SDK's constructor does.
    void Set(TimeValue s, TimeValue e) {
        start = s <= e ? s : e;
        end = s <= e ? e : s;
    }
    void SetStart(TimeValue s) { start = s; }
    void SetEnd(TimeValue e) { end = e; }
    void SetInfinite() {
        start = TIME_NegInfinity;
        end = TIME_PosInfinity;
    }
    void SetEmpty() {
        start = TIME_NegInfinity;
        end = TIME_NegInfinity;
    }
    void SetInstant(TimeValue t) { start = end = t; }

    TimeValue Start() const { return start; }
    TimeValue End() const { return end; }

    int Empty() const { return start == TIME_NegInfinity && end == TIME_NegInfinity; }
    // The empty interval contains no time.
    int InInterval(TimeValue t) const { return !Empty() && start <= t && t <= end; }
    int InInterval(const Interval& i) const { return InInterval(i.start) && InInterval(i.end); }

    // Intersection; disjoint intervals give the empty interval.
    Interval operator&(const Interval& i) const {
        Interval r;
        if (Empty() || i.Empty()) return r;
        const TimeValue s = start > i.start ? start : i.start;
        const TimeValue e = end < i.end ? end : i.end;
        if (s <= e) {
            r.start = s;
            r.end = e;
        }
        return r;
    }
    Interval& operator&=(const Interval& i) { return *this = *this & i; }

    bool operator==(const Interval& i) const { return start == i.start && end == i.end; }
    bool operator!=(const Interval& i) const { return !(*this == i); }

private:
    TimeValue start, end;
};

#define FOREVER Interval(TIME_NegInfinity, TIME_PosInfinity)
#define NEVER Interval(TIME_NegInfinity, TIME_NegInfinity)
