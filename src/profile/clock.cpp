// The zone profiler's clock: the processor's invariant time-stamp counter on x86-64, calibrated
// once against the monotonic clock; the monotonic clock in nanoseconds elsewhere.

#include "profile/profiler.h"

#include "platform/platform.h"

// Tests link a clock of exact ticks in place of these (weak symbols), which a static link allows;
// a Windows DLL resolves its own calls when it is linked, so there they are plain.
#if defined(_WIN32) && !defined(DEMOHOST_STATIC_ENGINE)
#define CLOCK_OVERRIDABLE
#else
#define CLOCK_OVERRIDABLE __attribute__((weak))
#endif

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#if defined(__x86_64__)

CLOCK_OVERRIDABLE uint64_t read_clock()
{
    return __rdtsc();
}

// Counts ticks across 20 ms of the monotonic clock.
CLOCK_OVERRIDABLE uint64_t platform_clock_frequency()
{
    uint64_t t0 = MonotonicNanoseconds();
    uint64_t c0 = __rdtsc();
    SleepNanoseconds(20000000);
    uint64_t t1 = MonotonicNanoseconds();
    uint64_t c1 = __rdtsc();
    return static_cast<uint64_t>(static_cast<double>(c1 - c0) * 1e9 / static_cast<double>(t1 - t0));
}

#else

CLOCK_OVERRIDABLE uint64_t read_clock()
{
    return MonotonicNanoseconds();
}

CLOCK_OVERRIDABLE uint64_t platform_clock_frequency()
{
    return 1000000000u;
}

#endif

// The clock's frequency and its reciprocal, read once.
static struct {
    uint64_t frequency = 0;
    float seconds_per_tick = 0;
} clock_rate;

uint64_t clock_frequency()
{
    if (clock_rate.frequency == 0)
        clock_rate.frequency = platform_clock_frequency();
    return clock_rate.frequency;
}

float seconds_per_tick()
{
    if (clock_rate.seconds_per_tick == 0)
        clock_rate.seconds_per_tick =
            static_cast<float>(1.0 / static_cast<double>(clock_frequency()));
    return clock_rate.seconds_per_tick;
}
