// Replaces the engine's weak profiler clock in the test programs with one of exact ticks.

#include "support/fake_clock.h"

#include "profile/profiler.h"

uint64_t fake_ticks = 0;

uint64_t read_clock()
{
    return fake_ticks;
}

uint64_t platform_clock_frequency()
{
    return 10000000;
}
