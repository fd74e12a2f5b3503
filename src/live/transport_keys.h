// demohost-live's transport keys: F6 pauses and resumes, F7 and F8 jump a second back and
// forward (ten with Shift), F9 goes back to the start point, F5 asks for a reload; the clock and
// every music stream follows. The sync editor's pause and rows are carried out the same way.
// State: none but the clock it is given.
#pragma once

#include "live/live_clock.h"

#include <GLFW/glfw3.h>

// The keyboard as the transport reads it, by the window library's key codes: how often a key went
// down in the last processing of events (so that a tap between two frames is not lost), and
// whether it is held.
struct TransportInput {
    int (*presses)(int key);
    bool (*held)(int key);
};

class TransportKeys {
public:
    TransportKeys(LiveClock& clock, TransportInput input) : clock_(clock), input_(input) {}
    // Carries out every press of the last processing of events, once a frame. True when the
    // state is to be reloaded: F5, or a jump, whose new state then starts at the new time.
    bool Step();
    // Pauses or resumes the clock and every music stream, as F6 does.
    void Pause(bool paused);
    // Moves the clock and every music stream by `seconds`, as F7 and F8 do; whether they moved.
    bool Jump(double seconds);

private:
    bool Shift() const;

    LiveClock& clock_;
    TransportInput input_;
};
