// The audio layer: one output device on SDL2 that decodes (libsndfile), resamples, loops and
// mixes every started stream on SDL's audio thread, raises end and position events there, and
// keeps each stream's latest samples for its spectrum (FFTW). State: the device (in
// audio_device.cpp), the events
// held for blocks not yet heard, and the spectrum's transform. The device and its clock are in
// audio_device.cpp, one stream's decoding and mixing in stream.cpp, its transport in
// transport.cpp, the spectrum in spectrum.cpp.
// One clock, the device's: a block counts as heard once the device has played it, which its
// requests for blocks tell. Events and the spectrum both follow that clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AudioStream;

// Raised on the audio thread once the block holding an event's point has been heard; returns
// false when it cannot take the event now (it and every later event wait for the next block).
using AudioEventCallback = bool (*)(void* user);

// The device's format and block: 44100 Hz stereo, blocks of 10 ms (the most an event waits for
// its block's end).
const int kAudioRate = 44100;
const int kAudioChannels = 2;
const int kAudioBlockFrames = 441;

// Opens the default output device at 44100 Hz, stereo, 32-bit float. On failure prints
// "Audio error: %d" (1: the audio subsystem, 2: the device) and the program runs without sound.
bool OpenAudioDevice();
// Stops the audio thread and closes the device (or the offline mixer); also run at exit.
void CloseAudioDevice();
// Takes streams without a device: nothing plays until MixOffline asks for samples.
void OpenOfflineAudio();
// Mixes the next `frames` stereo frames into `out` on the caller's thread. They count as heard at
// once: their events are raised before it returns and the spectrum ends with them.
void MixOffline(float* out, int frames);
// The device's clock: frames it has played since it opened.
int64_t AudioFramesHeard();
// Whether the first stream started has played to its end at least once.
bool FirstStreamHasEnded();
// The length of the first stream started in seconds; 0 before one has started.
double FirstStreamSeconds();

// Opens a file for streaming; null when there is no device or the file cannot be decoded: no
// frames at open, or a sample rate outside 8 to 384 kHz. `error` then says why (empty when there
// is no device).
AudioStream* CreateFileStream(const char* path, std::string& error);
// Raises `callback` each time playback wraps from the end back to the start.
void SetEndEvent(AudioStream* stream, AudioEventCallback callback, void* user);
// Raises `callback` each time playback passes sample frame `position` of the file. Set before
// StartStream, which puts the points in order.
void SetPositionEvent(AudioStream* stream, int64_t position, AudioEventCallback callback,
                      void* user);
// Seconds of the file as a sample frame position; negative or NaN reads as 0.
int64_t SecondsToPosition(const AudioStream* stream, double seconds);
// Starts mixing the stream, looping forever, from `seconds` of its file; the users of the points
// up to that one (when it is not the start) are added to `passed` (when given), in time order,
// and are not raised.
void StartStream(AudioStream* stream, double seconds = 0, std::vector<void*>* passed = nullptr);
// A linear gain on the stream's samples, applied as given.
void SetStreamVolume(AudioStream* stream, float volume);

// Seconds of the stream's file heard by now: where it stood when the last block heard ended (on
// the device's clock; offline, at once). It holds while the stream is paused.
double StreamPosition(AudioStream* stream);
// The length of the stream's file in seconds.
double StreamSeconds(const AudioStream* stream);
// Moves the stream to `seconds` of its file (negative or NaN: the start; past the end: its last
// frame): what is mixed next starts there, the points at or after it fire when passed, and its
// position reads the new one from now on.
void SeekStream(AudioStream* stream, double seconds);
// A paused stream is not mixed: it is silent, raises no events and keeps its position.
void PauseStream(AudioStream* stream, bool paused);
// Takes the stream out of the mix for good: it raises no more events (those held for blocks not
// yet heard are dropped) and its spectrum is silence.
void StopStream(AudioStream* stream);
// Whether the stream is in the mix (paused or not): started and not stopped.
bool StreamPlaying(const AudioStream* stream);
// The streams in the mix, in the order they started.
std::vector<AudioStream*> PlayingStreams();
// Gives a playing stream new sync points in place of its old ones, without a break in its sound:
// `users[i]` is raised at frame `positions[i]`. The points the mix has passed come back in
// `passed`, in time order, and are not raised; its events held but not yet heard are dropped.
void ReplacePositionEvents(AudioStream* stream, const std::vector<int64_t>& positions,
                           AudioEventCallback callback, const std::vector<void*>& users,
                           std::vector<void*>& passed);

const int kSpectrumSize = 512;
// Magnitudes of bins 0..511 of a 1024-point FFT of the stream's last 1024 samples heard (mono,
// before volume, Hann window), scaled so that a full-scale sine at a bin's centre reads 1.
bool GetStreamSpectrum(AudioStream* stream, float out[kSpectrumSize]);
