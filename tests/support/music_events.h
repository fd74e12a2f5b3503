// A script that records the music events it is given, delivered by a poll loop as a fast frame
// loop would, and the checks that music tests share across audio drivers. Waits end on events or
// on the sound heard, not on the wall clock, so that a busy machine only makes them slower.
#pragma once

#include "support/gl.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

// Each event as the script saw it ("end", or the sync's name; nil as "nil"), with the seconds
// from the poll's start at which it was delivered.
using SeenEvents = std::vector<std::pair<std::string, double>>;

// How long a wait for events may take before the test gives up: far beyond any busy machine's
// delay, so that only a lost event ends it.
const double kGiveUpSeconds = 30;

class MusicEventLog {
public:
    MusicEventLog();
    // Delivers events until `count` have been seen since the log began, or kGiveUpSeconds.
    SeenEvents CollectCount(size_t count);
    // Delivers events every millisecond until the device has played `seconds` of sound since it
    // opened, dating them from `start`, or kGiveUpSeconds beyond the time that sound takes;
    // returns every event seen since the log began.
    SeenEvents CollectUntilHeard(double seconds, Clock::time_point start = Clock::now());
    TestState lua;
    // For each event seen, the seconds of sound the device had played when it was delivered.
    std::vector<double> device_seconds;

private:
    // One delivery, as one frame would make it; `start` dates the events seen.
    void Poll(Clock::time_point start);
    SeenEvents seen_;
};

// Seconds since `start`.
double SecondsSince(Clock::time_point start);
// Seconds of sound the device has played since it opened.
double SecondsHeard();

// Plays eight half-second tones at distinct FFT bins, `wait_seconds` after the device opened, and
// expects the spectrum taken inside each tone's sync (0.15 s into it) to peak at that tone's bin.
void ExpectSpectrumFollowsSyncs(double wait_seconds);
