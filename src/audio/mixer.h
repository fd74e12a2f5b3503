// The audio layer's mixer as its files share it: the lock between the audio thread and the
// others, and the events held for blocks not yet heard. Not for outside use.
#pragma once

#include <cstdint>
#include <vector>

struct AudioStream;

// The mixer runs on SDL's thread when a device plays, on the caller's when mixing offline.
void LockMixer();
void UnlockMixer();
// Drops the held events of `stream`. With the mixer locked.
void DropHeldEvents(const AudioStream* stream);

// A device, or the offline mixer, takes streams; the offline one is mixed on the caller's thread.
bool MixerTakesStreams();
bool MixerIsOffline();
// Frames mixed and not yet heard: the blocks still in the device. With the mixer locked.
int64_t FramesInDevice();
// When the device's frame `frame` was heard, on the steady clock in seconds. With the mixer locked.
double HeardFrameTime(int64_t frame);
// Puts a stream into the mix (locking the mixer).
void AddToMix(AudioStream* stream);
// With the mixer locked: takes a stream out, tells whether it is in, and the streams mixed in
// the order they started.
void RemoveFromMix(const AudioStream* stream);
bool InMix(const AudioStream* stream);
const std::vector<AudioStream*>& MixedStreams();
