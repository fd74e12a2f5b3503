// The audio layer's mixer as its files share it: the lock between the audio thread and the
// others, and the events held for blocks not yet heard. Not for outside use.
#pragma once

struct AudioStream;

// The mixer runs on SDL's thread when a device plays, on the caller's when mixing offline.
void LockMixer();
void UnlockMixer();
// Drops the held events of `stream`. With the mixer locked.
void DropHeldEvents(const AudioStream* stream);
