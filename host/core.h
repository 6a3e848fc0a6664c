// The host's core interface: here only the current time, and the animate mode.
#pragma once

#include "maxheap.h"
#include "maxtypes.h"

class Interface : public MaxHeapOperators {
public:
    virtual ~Interface() = default;
    virtual TimeValue GetTime();
    virtual void SetTime(TimeValue t, BOOL redraw = TRUE);
};

// The process-wide core; its time starts at 0.
Interface* GetCOREInterface();

// Animate mode: while on, setting an animatable parameter sets a key at the given time.
void AnimateOn();
void AnimateOff();
BOOL Animating();
