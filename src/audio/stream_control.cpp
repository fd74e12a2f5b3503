// A stream's transport: its events, start, volume, position, seek, pause and stop, and the set
// of streams playing.

#include "audio/mixer.h"
#include "audio/stream.h"
#include "platform/platform.h"

#include <algorithm>

void SetEndEvent(AudioStream* stream, AudioEventCallback callback, void* user)
{
    if (stream)
        stream->end_events.push_back({0, callback, user, stream});
}

void SetPositionEvent(AudioStream* stream, int64_t position, AudioEventCallback callback,
                      void* user)
{
    if (stream)
        stream->position_events.push_back({position, callback, user, stream});
}

int64_t SecondsToPosition(const AudioStream* stream, double seconds)
{
    if (!stream || !(seconds > 0))
        return 0;
    double frames = seconds * stream->info.samplerate;
    return frames >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(frames);
}

void StartStream(AudioStream* stream, double seconds, std::vector<void*>* passed)
{
    if (!stream || !MixerTakesStreams())
        return;
    SortEvents(stream->position_events);
    if (seconds > 0) {
        // The points up to the start position, that one included, have been passed.
        MixFrom(*stream, std::min(SecondsToPosition(stream, seconds), stream->info.frames - 1));
        PassEventsThrough(*stream, static_cast<double>(stream->position));
        for (size_t i = 0; passed && i < stream->next_event; i++)
            passed->push_back(stream->position_events[i].user);
    }
    AddToMix(stream);
    // Offline, a stream is heard from the moment it starts: the events at its first frame are
    // raised now (mixing no samples primes it), so that they belong to the frame that started it.
    if (MixerIsOffline()) {
        float none[kAudioChannels];
        MixOffline(none, 0);
    }
}

void SetStreamVolume(AudioStream* stream, float volume)
{
    if (stream)
        stream->volume.store(volume, std::memory_order_relaxed);
}

// Between two blocks the sound goes on: the position heard is carried on by the steady clock from
// when the last block heard ended, never further than that block's length, so that it moves
// every frame without running ahead of the sound. Offline, a block is heard the moment it is
// mixed.
double StreamPosition(AudioStream* stream)
{
    if (!stream)
        return 0;
    LockMixer();
    double frame = stream->heard_position;
    double since = 0;
    if (!stream->paused && stream->heard_span > 0 && !MixerIsOffline())
        since = static_cast<double>(MonotonicNanoseconds()) * 1e-9 -
                HeardFrameTime(stream->heard_frame);
    double span = stream->heard_span;
    UnlockMixer();
    double frames = static_cast<double>(stream->info.frames);
    frame += std::clamp(since, 0.0, span) * stream->info.samplerate;
    // Past the end the loop has begun again.
    if (frame >= frames)
        frame -= frames;
    return frame / stream->info.samplerate;
}

double StreamSeconds(const AudioStream* stream)
{
    return stream ? static_cast<double>(stream->info.frames) / stream->info.samplerate : 0;
}

void SeekStream(AudioStream* stream, double seconds)
{
    if (!stream)
        return;
    int64_t frame = std::min(SecondsToPosition(stream, seconds), stream->info.frames - 1);
    LockMixer();
    MixFrom(*stream, frame);
    // The position reads the new one at once: the blocks still in the device, mixed from the old
    // one, no longer move it.
    stream->heard_position = static_cast<double>(frame);
    stream->heard_span = 0;
    stream->mark_count = 0;
    UnlockMixer();
}

// Pausing holds the stream where it has been heard: the blocks still in the device play out, but
// their events are dropped and the mix goes on, when resumed, from what was heard, so no event
// comes and the position does not move while it is paused.
static void HoldAtHeard(AudioStream& s)
{
    DropHeldEvents(&s);
    s.mark_count = 0;
    MixFrom(s, static_cast<int64_t>(s.heard_position));
    // The points up to what was heard have been delivered.
    PassEventsThrough(s, s.heard_position);
}

void PauseStream(AudioStream* stream, bool paused)
{
    if (!stream)
        return;
    LockMixer();
    if (paused && !stream->paused)
        HoldAtHeard(*stream);
    // Resumed, it holds until its first block is heard.
    stream->heard_span = 0;
    stream->paused = paused;
    UnlockMixer();
}

void StopStream(AudioStream* stream)
{
    if (!stream)
        return;
    LockMixer();
    RemoveFromMix(stream);
    DropHeldEvents(stream);
    // What it leaves in the spectrum is silence.
    std::fill(std::begin(stream->history), std::end(stream->history), 0.0f);
    UnlockMixer();
}

std::vector<AudioStream*> PlayingStreams()
{
    LockMixer();
    std::vector<AudioStream*> playing = MixedStreams();
    UnlockMixer();
    return playing;
}

bool StreamPlaying(const AudioStream* stream)
{
    LockMixer();
    bool found = InMix(stream);
    UnlockMixer();
    return found;
}

void ReplacePositionEvents(AudioStream* stream, const std::vector<int64_t>& positions,
                           AudioEventCallback callback, const std::vector<void*>& users,
                           std::vector<void*>& passed)
{
    passed.clear();
    if (!stream)
        return;
    std::vector<AudioEvent> events;
    for (size_t i = 0; i < positions.size(); i++)
        events.push_back({positions[i], callback, users[i], stream});
    SortEvents(events);
    LockMixer();
    AudioStream& s = *stream;
    // Where the mix stands: the points before it have been passed.
    auto mixed = static_cast<int64_t>(s.primed ? SourcePosition(s) : static_cast<double>(s.position));
    s.position_events = std::move(events);
    s.next_event = FirstEventFrom(s, mixed);
    for (size_t i = 0; i < s.next_event; i++)
        passed.push_back(s.position_events[i].user);
    // Events held for the points replaced are dropped with them.
    DropHeldEvents(stream);
    UnlockMixer();
}
