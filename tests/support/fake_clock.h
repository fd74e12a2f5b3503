// The zone profiler's clock in tests: ticks advance only when a test says so, at 10 MHz.
#pragma once

#include <cstdint>

extern uint64_t fake_ticks;

inline void advance_clock(uint64_t ticks)
{
    fake_ticks += ticks;
}
