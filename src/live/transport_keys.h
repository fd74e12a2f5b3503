// demohost-live's transport keys: F6 pauses and resumes, F7 and F8 jump a second back and
// forward (ten with Shift), F9 goes back to the start point, F5 asks for a reload; the clock and
// every music stream follows. The sync editor's pause and rows are carried out the same way.
// State: which keys were down at the last read.
#pragma once

#include "live/live_clock.h"

#include <GLFW/glfw3.h>

class TransportKeys {
public:
    // `key_down` tells whether a key (the window library's code) is down now.
    TransportKeys(LiveClock& clock, bool (*key_down)(int key)) : clock_(clock), key_down_(key_down) {}
    // Reads every key once (so that none misses its press) and carries out what was pressed
    // since the last read. True when the state is to be reloaded: F5, or a jump, whose new
    // state then starts at the new time.
    bool Step();
    // Pauses or resumes the clock and every music stream, as F6 does.
    void Pause(bool paused);
    // Moves the clock and every music stream by `seconds`, as F7 and F8 do; whether they moved.
    bool Jump(double seconds);

private:
    // True when `key` is down now and was not at the last read.
    bool Pressed(int key);
    bool Shift() const;

    LiveClock& clock_;
    bool (*key_down_)(int key);
    bool held_[GLFW_KEY_F9 - GLFW_KEY_F5 + 1] = {};
};
