// Music: looping playback of files with end and sync events carried from the audio thread to the
// frame loop, the volume, the spectrum, and the tracks that go on through a reload. State: the
// queue of events, `music_channel`, `spectrum_buffer`, and what a reload carries over.
#pragma once

#include "audio/audio_device.h"
#include "audio/id3.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Events taken out of the queue, for the frame loop to deliver with the queue unlocked.
struct MusicEvents {
    bool ended = false;
    std::vector<const std::string*> sync_names;  // in arrival order; null: a point without a name
};

// Moves the events raised since the last call into `out` (its old ones are dropped). The vectors
// are swapped, so a caller that keeps `out` stops allocating.
void TakeMusicEvents(MusicEvents& out);
// The stream most recently created; null when the last one could not be.
extern AudioStream* music_channel;
extern float spectrum_buffer[kSpectrumSize];

struct SyncPoint {
    double time;                      // seconds of the file
    std::optional<std::string> name;  // absent: delivered as nil
};

// Plays `path` looping, with an end event and one event per sync point; returns the file's
// ID3v1 tag when the stream plays and has one. A file that cannot be played is named in one line
// with the reason.
std::optional<Id3Tag> PlayMusic(const char* path, const std::vector<SyncPoint>& syncs);
void SetVolume(float volume);

// The last track started (the one the spectrum reads) while it plays, paused or not: seconds of
// it heard and its length. False when there is none or it was stopped.
bool MusicPosition(double& position, double& length);
// Moves the last track started to `seconds`; its points at or after there fire when passed.
void SeekMusic(double seconds);
void PauseMusic(bool paused);
// Stops the last track started: no more of its events, and the spectrum reads silence.
void StopMusic();

// A reload: the tracks playing now go on through it. Until it ends, a PlayMusic of the path of one
// of them takes that track over, without a break in its sound, with its new sync points instead
// of starting it again; the points it has passed are delivered at once, in time order. Events
// not yet delivered to the old state are kept for it.
void SetMusicAside();
// The new state took over: the carried tracks it did not play again are stopped.
void ReleaseMusicAside();
// The new state failed: the old state keeps every track as it was, with its points and events.
void PutMusicBack();
// Tracks started from now on begin at `seconds` of their file; the points before it are
// delivered at once, in time order.
void StartMusicAt(double seconds);
// Every track playing, paused or not: pauses or resumes them all (demohost-live's transport).
void PauseTracks(bool paused);
// Moves every track playing by `seconds`, not before its start.
void MoveTracks(double seconds);
// Fills spectrum_buffer from the music channel; on failure it keeps its last values. The caller
// times it, with the copy to the script, as the zone "SpectrumAnalyze".
void AnalyzeSpectrum();
