// A stream of the audio layer: its file, decoder state, resampling, events and the samples it
// mixed last; and the work done on one stream, shared by the layer's files. Not for outside use.
#pragma once

#include "audio/audio_device.h"

#include <sndfile.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The spectrum's samples end where the heard blocks end, so the ring also holds the blocks mixed
// after them.
const size_t kHistorySize = 8192;
const size_t kChunkFrames = 4096;
// Blocks mixed but not yet heard, at the most: the device holds one while the next is mixed.
const int kMaxBlocksInFlight = 4;

struct AudioEvent {
    int64_t position;  // sample frame of the file; unused for end events
    AudioEventCallback callback;
    void* user;
    const AudioStream* stream;  // whose event it is
};

// Where a stream's file stood after a block, by the block's end on the device's clock.
struct StreamMark {
    int64_t frames_mixed;
    double position;  // the file's frame, with the fraction between two of them
};

struct AudioStream {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    std::vector<float> chunk;  // decoded frames, all channels of the file
    size_t chunk_frames = 0;
    size_t chunk_next = 0;
    bool dead = false;     // the file gives no frames even from its start: silence, no events
    int64_t position = 0;  // the file's frame to be taken next
    std::vector<AudioEvent> position_events;  // in position order once started
    std::vector<AudioEvent> end_events;
    size_t next_event = 0;
    std::vector<float> gains;  // left and right gain of each of the file's channels
    bool primed = false;
    float from[2] = {}, to[2] = {};  // the source frames the output lies between
    int64_t to_position = 0;         // the file's frame in `to`
    bool to_starts_loop = false;     // `to` was read after playback wrapped to the start
    int64_t loops = 0;               // times the output has passed the file's end
    double fraction = 0;
    double step = 1;  // source frames per output frame
    std::atomic<float> volume{1.0f};
    float history[kHistorySize] = {};  // latest mono samples mixed, a ring
    size_t history_next = 0;           // where the next mixed sample goes
    bool paused = false;               // not mixed: its position holds
    // Where the file stood after each block in flight, oldest first, and after the last heard.
    StreamMark marks[kMaxBlocksInFlight] = {};
    int mark_count = 0;
    double heard_position = 0;
    // The device's frame that ended the last heard block and that block's seconds, for carrying
    // the position on between blocks; a span of 0 holds the position until the next block is
    // heard (after a start, seek, pause or resume, whose sound is not yet playing).
    int64_t heard_frame = 0;
    double heard_span = 0;

    ~AudioStream()
    {
        if (file)
            sf_close(file);
    }
};


// Opens and checks a file for streaming; null with the reason in `error` when it cannot be played.
std::unique_ptr<AudioStream> OpenStreamFile(const char* path, std::string& error);
// Mixes `frames` stereo frames of the stream into `out` (added to what is there), resampled and
// mixed down; the events reached are appended to `held`.
void MixStream(AudioStream& s, float* out, int frames, std::vector<AudioEvent>& held);
// Where the output stands in the file: between the frames in `from` and `to`.
double SourcePosition(const AudioStream& s);
// Puts sync points in position order; equal positions keep the order they were set in.
void SortEvents(std::vector<AudioEvent>& events);
// The first event at or after `frame`, in a stream whose events are in position order.
size_t FirstEventFrom(const AudioStream& s, int64_t frame);
// Takes the points at or before `position` as passed: they are not raised.
void PassEventsThrough(AudioStream& s, double position);
// Mixes the stream on from `frame` of its file, the points from there on still to come. With the
// mixer locked, or before the stream plays.
void MixFrom(AudioStream& s, int64_t frame);
