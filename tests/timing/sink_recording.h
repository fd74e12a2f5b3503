// What the timing tests' PulseAudio server really played: its null sink's output recorded through
// parec, each sample dated on the wall clock, the silence of a starved stream included.
#pragma once

#include "support/music_events.h"

#include <string>
#include <thread>
#include <vector>

class SinkRecording {
public:
    // Starts recording; returns once the first samples have come.
    SinkRecording();
    ~SinkRecording();
    // Stops recording, once the last sound played has come, and returns, in seconds since
    // `since`, when each sound began: the first sample above `threshold` (of full scale) after at
    // least `quiet` seconds below it. A sound lasts until `loud` seconds of it have been above the
    // threshold, so that the silence of a starved stream cannot split it.
    std::vector<double> Onsets(Clock::time_point since, double threshold, double quiet, double loud);

private:
    // A read from parec: the bytes recorded after it, and when it returned.
    struct Arrival {
        size_t bytes;
        Clock::time_point at;
    };
    bool ReadOnce();
    void Stop();
    // When sample `k` was played: no sample arrives before it is played, so the promptest arrival
    // of the second after it dates it best.
    Clock::time_point PlayedAt(size_t k) const;

    int pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::string bytes_;  // 16-bit mono samples, little-endian
    std::vector<Arrival> arrivals_;
};
