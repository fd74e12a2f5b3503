// Music: looping playback of files with end and sync events carried from the audio thread to the
// frame loop, the volume, the spectrum, and the music that goes on through a reload. State: the
// queue of events, the last music started with its spectrum and the frame's position, and what a
// reload carries over.
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

struct SyncPoint {
    double time;                      // seconds of the file
    std::optional<std::string> name;  // absent: delivered as nil
};

// Plays `path` looping, with an end event and one event per sync point; returns the file's
// ID3v1 tag when the stream plays and has one. A file that cannot be played is named in one line
// with the reason.
std::optional<Id3Tag> PlayMusic(const char* path, const std::vector<SyncPoint>& syncs);
void SetVolume(float volume);

// The last music started (the one the spectrum reads) while it plays, paused or not: seconds of
// it heard and its length. False when there is none or it was stopped. Within a frame it gives
// what HoldMusicPosition read at the frame's start, until the music is started, moved, paused or
// stopped.
bool MusicPosition(double& position, double& length);
// Reads the position once for the frame about to run: the tracks, the module's music() and
// demohost-live's status line all see this one.
bool HoldMusicPosition(double& position, double& length);
// Moves the last music started to `seconds`; its points at or after there fire when passed.
void SeekMusic(double seconds);
void PauseMusic(bool paused);
// Stops the last music started: no more of its events, and the spectrum reads silence.
void StopMusic();

// A reload: the music playing now goes on through it. Until it ends, a PlayMusic of the path of one
// of them takes that stream over, without a break in its sound, with its new sync points instead
// of starting it again; the points it has passed are delivered at once, in time order. Events
// not yet delivered to the old state are kept for it.
void SetMusicAside();
// The new state took over: the carried streams it did not play again are stopped.
void ReleaseMusicAside();
// The new state failed: the old state keeps every stream as it was, with its points and events.
void PutMusicBack();
// Music started from now on begin at `seconds` of their file; the points before it are
// delivered at once, in time order.
void StartMusicAt(double seconds);
// Every stream playing, paused or not: pauses or resumes them all (demohost-live's transport).
void PauseAllMusic(bool paused);
// Moves every stream playing by `seconds`, not before its start.
void MoveAllMusic(double seconds);
// The spectrum of the last music started (kSpectrumSize magnitudes); on failure the last values
// read. The caller times it, with the copy to the script, as the zone "SpectrumAnalyze".
const float* AnalyzeSpectrum();
