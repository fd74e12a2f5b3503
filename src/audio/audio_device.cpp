// The audio layer's device: SDL2 output (or the offline mixer), the one clock of heard blocks,
// the mix of every playing stream, and the events held until their block is heard.

#include "audio/audio_device.h"

#include "audio/mixer.h"
#include "audio/stream.h"
#include "platform/platform.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static struct {
    uint32_t id = 0;      // SDL device, 0 when none is open
    bool open = false;    // a device, or the offline mixer, takes streams
    // The device's clock: frames it has played since it opened.
    std::atomic<int64_t> frames_heard{0};
    // When its frame 0 was played, in seconds of the steady clock, and when that was last found
    // (audio thread, or under the device lock).
    double started_at = 0;
    double started_found = -1;
    int64_t frames_mixed = 0;  // audio thread, or under the device lock
    std::vector<std::unique_ptr<AudioStream>> streams;  // every stream made, never freed
    std::vector<AudioStream*> playing;                  // mixed on the audio thread
    bool exit_handler = false;  // CloseAudioDevice is registered to run at exit
} audio_device;


// Events of blocks mixed but not yet heard, then events heard but not yet taken, in order.
// Grows only while the frame loop holds the events back; bounded by the points passed meanwhile.
struct HeldEvents {
    std::vector<AudioEvent> events;
    size_t due = 0;  // the first `due` are from blocks heard
};
static HeldEvents held;

// The blocks mixed but not yet heard: what the device held when each was mixed.
struct BlockMark {
    int64_t frames_mixed;  // after the block
    size_t events_held;    // events held after the block
};
static struct {
    BlockMark marks[kMaxBlocksInFlight];
    int count = 0;
    int buffered_blocks = 0;  // blocks the device holds after taking one: 1, or 0 when it has none
} in_flight;

// Raises the due events in order; one that cannot be taken now stops the rest until next time.
static void RaiseDueEvents()
{
    size_t raised = 0;
    while (raised < held.due && held.events[raised].callback(held.events[raised].user))
        raised++;
    held.events.erase(held.events.begin(), held.events.begin() + static_cast<ptrdiff_t>(raised));
    held.due -= raised;
    for (int i = 0; i < in_flight.count; i++)
        in_flight.marks[i].events_held -= raised;
}

// A block of `frames` was heard: each stream that it held has been heard up to where it stood
// after it.
static void StreamsHeard(int64_t frames_mixed, int64_t frames)
{
    for (AudioStream* s : audio_device.playing) {
        int passed = 0;
        while (passed < s->mark_count && s->marks[passed].frames_mixed <= frames_mixed)
            s->heard_position = s->marks[passed++].position;
        if (passed > 0) {
            s->heard_frame = frames_mixed;
            s->heard_span = static_cast<double>(frames) / kAudioRate;
        }
        std::copy(s->marks + passed, s->marks + s->mark_count, s->marks);
        s->mark_count -= passed;
    }
}

// A thread wakes to a request for a block late, never early, so the earliest request, frame for
// frame, dates the device's frames best. It is let go slowly (kClockEase seconds a second), so
// that a device clock a little slower than the steady one is followed too.
const double kClockEase = 2e-4;
static void DateHeardFrames()
{
    double now = static_cast<double>(MonotonicNanoseconds()) * 1e-9;
    double start = now - static_cast<double>(audio_device.frames_heard.load()) / kAudioRate;
    if (audio_device.started_found >= 0)
        start = std::min(start, audio_device.started_at +
                                    kClockEase * (now - audio_device.started_found));
    audio_device.started_at = start;
    audio_device.started_found = now;
}

double HeardFrameTime(int64_t frame)
{
    return audio_device.started_at + static_cast<double>(frame) / kAudioRate;
}

// The device asks for a block once it has taken the one before into its own buffer, and a block
// is heard once the device has played what it held before it: blocks older than its buffer are
// heard now. Their events fall due and their samples become the spectrum's.
static void BlocksHeard()
{
    bool any = in_flight.count > in_flight.buffered_blocks;
    while (in_flight.count > in_flight.buffered_blocks) {
        const BlockMark& heard = in_flight.marks[0];
        int64_t frames = heard.frames_mixed - audio_device.frames_heard.load();
        audio_device.frames_heard.store(heard.frames_mixed, std::memory_order_relaxed);
        StreamsHeard(heard.frames_mixed, frames);
        held.due = heard.events_held;
        std::copy(in_flight.marks + 1, in_flight.marks + in_flight.count, in_flight.marks);
        in_flight.count--;
    }
    if (any && !MixerIsOffline())
        DateHeardFrames();
}

void LockMixer()
{
    if (audio_device.id != 0)
        SDL_LockAudioDevice(audio_device.id);
}

void UnlockMixer()
{
    if (audio_device.id != 0)
        SDL_UnlockAudioDevice(audio_device.id);
}

static void BlockMixed(int frames)
{
    audio_device.frames_mixed += frames;
    if (in_flight.count < kMaxBlocksInFlight)
        in_flight.marks[in_flight.count++] = {audio_device.frames_mixed, held.events.size()};
}

// Remembers where the stream stood after the block just mixed; the oldest mark gives way.
static void MarkStream(AudioStream& s)
{
    if (s.mark_count == kMaxBlocksInFlight) {
        std::copy(s.marks + 1, s.marks + s.mark_count, s.marks);
        s.mark_count--;
    }
    s.marks[s.mark_count++] = {audio_device.frames_mixed, SourcePosition(s)};
}

static void MixBlock(float* out, int frames)
{
    memset(out, 0, static_cast<size_t>(frames) * kAudioChannels * sizeof(float));
    for (AudioStream* stream : audio_device.playing)
        if (!stream->paused)
            MixStream(*stream, out, frames, held.events);
    BlockMixed(frames);
    for (AudioStream* stream : audio_device.playing)
        if (!stream->paused)
            MarkStream(*stream);
}

// SDL's audio thread: the blocks heard by now give their events and samples, then every playing
// stream is mixed into the next block.
static void MixCallback(void*, Uint8* bytes, int length)
{
    BlocksHeard();
    RaiseDueEvents();
    MixBlock(reinterpret_cast<float*>(bytes),
             length / static_cast<int>(kAudioChannels * sizeof(float)));
}

static void StartClock(int buffered_blocks)
{
    in_flight.count = 0;
    in_flight.buffered_blocks = buffered_blocks;
    audio_device.frames_mixed = 0;
    audio_device.frames_heard = 0;
    audio_device.started_found = -1;
    held.events.reserve(1024);
}

// SDL's dummy and disk drivers play nothing: a block is gone when the next is asked for. They
// round a block up to a power of two and wait whole milliseconds for it: 1024 frames (23.2 ms)
// in 23 ms is the nearest they come to real time at a short block. Sound servers and cards hold
// one block while the next is mixed (PulseAudio's null sink: a block is heard 10 ms, one block,
// after it was handed over, measured by recording the sink's output).
static bool PlaysNothing(const char* driver)
{
    return driver && (strcmp(driver, "dummy") == 0 || strcmp(driver, "disk") == 0);
}

bool OpenAudioDevice()
{
    // SDL would otherwise turn SIGINT and SIGTERM into events that nothing reads, and the program
    // could not be interrupted or killed politely.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        printf("Audio error: %d", 1);
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kAudioRate;
    want.format = AUDIO_F32SYS;
    want.channels = kAudioChannels;
    bool plays_nothing = PlaysNothing(SDL_GetCurrentAudioDriver());
    want.samples = plays_nothing ? 1024 : kAudioBlockFrames;
    want.callback = MixCallback;
    StartClock(plays_nothing ? 0 : 1);
    audio_device.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio_device.id == 0) {
        printf("Audio error: %d", 2);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audio_device.open = true;
    // A script may end the process with os.exit: the audio thread must stop before the event
    // queue that it writes to is destroyed.
    if (!audio_device.exit_handler)
        audio_device.exit_handler = atexit(CloseAudioDevice) == 0;
    SDL_PauseAudioDevice(audio_device.id, 0);
    return true;
}

void CloseAudioDevice()
{
    if (!audio_device.open)
        return;
    if (audio_device.id != 0) {
        SDL_CloseAudioDevice(audio_device.id);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    audio_device.id = 0;
    audio_device.open = false;
    audio_device.playing.clear();
    held.events.clear();
    held.due = 0;
}

void OpenOfflineAudio()
{
    StartClock(0);
    audio_device.open = true;
}

void MixOffline(float* out, int frames)
{
    MixBlock(out, frames);
    BlocksHeard();
    RaiseDueEvents();
}

bool FirstStreamHasEnded()
{
    return !audio_device.playing.empty() && audio_device.playing.front()->loops > 0;
}

double FirstStreamSeconds()
{
    if (audio_device.playing.empty())
        return 0;
    const SF_INFO& info = audio_device.playing.front()->info;
    return static_cast<double>(info.frames) / info.samplerate;
}

AudioStream* CreateFileStream(const char* path, std::string& error)
{
    if (!audio_device.open)
        return nullptr;
    std::unique_ptr<AudioStream> stream = OpenStreamFile(path, error);
    if (!stream)
        return nullptr;
    audio_device.streams.push_back(std::move(stream));
    return audio_device.streams.back().get();
}

// The counts of held events (those due, and those held after
// each block in flight) lose the dropped ones among those they count.
void DropHeldEvents(const AudioStream* stream)
{
    auto kept_of = [stream](size_t count) {
        size_t kept = 0;
        for (size_t i = 0; i < count; i++)
            kept += held.events[i].stream != stream;
        return kept;
    };
    held.due = kept_of(held.due);
    for (int i = 0; i < in_flight.count; i++)
        in_flight.marks[i].events_held = kept_of(in_flight.marks[i].events_held);
    auto dropped = [stream](const AudioEvent& e) { return e.stream == stream; };
    held.events.erase(std::remove_if(held.events.begin(), held.events.end(), dropped),
                      held.events.end());
}

int64_t AudioFramesHeard()
{
    return audio_device.frames_heard.load(std::memory_order_relaxed);
}

bool MixerTakesStreams()
{
    return audio_device.open;
}

bool MixerIsOffline()
{
    return audio_device.id == 0;
}

int64_t FramesInDevice()
{
    return audio_device.frames_mixed - audio_device.frames_heard;
}

void AddToMix(AudioStream* stream)
{
    LockMixer();
    audio_device.playing.push_back(stream);
    UnlockMixer();
}

void RemoveFromMix(const AudioStream* stream)
{
    auto& playing = audio_device.playing;
    playing.erase(std::remove(playing.begin(), playing.end(), stream), playing.end());
}

bool InMix(const AudioStream* stream)
{
    auto& playing = audio_device.playing;
    return std::find(playing.begin(), playing.end(), stream) != playing.end();
}

const std::vector<AudioStream*>& MixedStreams()
{
    return audio_device.playing;
}
