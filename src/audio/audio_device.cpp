// The audio layer: SDL2 output, libsndfile decoding, linear resampling, looping, mixing, events
// and the spectrum.

#include "audio/audio_device.h"

#include <SDL2/SDL.h>
#include <fftw3.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

AudioDevice audio_device;

static const int kFftSize = 2 * kSpectrumSize;
static const size_t kChunkFrames = 4096;

struct AudioEvent {
    int64_t position;  // sample frame of the file; -1 for the end event
    AudioEventCallback callback;
    void* user;
};

struct AudioStream {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    std::vector<float> chunk;  // decoded frames, all channels of the file
    size_t chunk_frames = 0;
    size_t chunk_next = 0;
    int64_t position = 0;  // the file's frame to be taken next
    std::vector<AudioEvent> events;  // position events, by position; then end events
    size_t next_event = 0;
    bool primed = false;
    float from[2] = {}, to[2] = {};  // the source frames the output lies between
    double fraction = 0;
    double step = 1;  // source frames per output frame
    std::atomic<float> volume{1.0f};
    float history[kFftSize] = {};  // latest mono samples, a ring
    size_t history_next = 0;

    ~AudioStream()
    {
        if (file)
            sf_close(file);
    }
};

// Events decoded ahead of playback wait here until the block holding them is heard.
struct HeldEvent {
    double due;  // seconds on the steady clock
    AudioEventCallback callback;
    void* user;
};
static const size_t kMaxHeldEvents = 1024;
static HeldEvent held_events[kMaxHeldEvents];
static size_t held_count = 0;

static double SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static void HoldEvent(double due, AudioEventCallback callback, void* user)
{
    if (held_count < kMaxHeldEvents)
        held_events[held_count++] = {due, callback, user};
    else
        callback(user);
}

// Raises the events that are due, in order; an event that cannot be taken now stays, and so do
// all after it, so that the order holds.
static void RaiseDueEvents(double now)
{
    size_t raised = 0;
    while (raised < held_count && held_events[raised].due <= now &&
           held_events[raised].callback(held_events[raised].user))
        raised++;
    memmove(held_events, held_events + raised, (held_count - raised) * sizeof(HeldEvent));
    held_count -= raised;
}

// Refills the decoded chunk; at the end of the file, seeks back to the start and raises the end
// events. False when the file gives no frames at all.
static bool RefillChunk(AudioStream& s, double due)
{
    sf_count_t got = sf_readf_float(s.file, s.chunk.data(), kChunkFrames);
    if (got <= 0) {
        sf_seek(s.file, 0, SEEK_SET);
        s.position = 0;
        s.next_event = 0;
        for (const AudioEvent& e : s.events)
            if (e.position < 0)
                HoldEvent(due, e.callback, e.user);
        got = sf_readf_float(s.file, s.chunk.data(), kChunkFrames);
        if (got <= 0)
            return false;
    }
    s.chunk_frames = static_cast<size_t>(got);
    s.chunk_next = 0;
    return true;
}

// Takes the file's next frame as stereo and raises the position events at it.
static void NextSourceFrame(AudioStream& s, float frame[2], double due)
{
    if (s.chunk_next >= s.chunk_frames && !RefillChunk(s, due)) {
        frame[0] = frame[1] = 0;
        return;
    }
    const float* source = s.chunk.data() + s.chunk_next * s.info.channels;
    frame[0] = source[0];
    frame[1] = s.info.channels > 1 ? source[1] : source[0];
    s.chunk_next++;
    while (s.next_event < s.events.size() && s.events[s.next_event].position >= 0 &&
           s.events[s.next_event].position <= s.position) {
        const AudioEvent& e = s.events[s.next_event++];
        if (e.position == s.position)
            HoldEvent(due, e.callback, e.user);
    }
    s.position++;
}

// Mixes `frames` output frames of the stream; `start` is when the first of them sounds.
static void MixStream(AudioStream& s, float* out, int frames, double start)
{
    if (!s.primed) {
        NextSourceFrame(s, s.from, start);
        NextSourceFrame(s, s.to, start);
        s.primed = true;
    }
    float volume = s.volume.load(std::memory_order_relaxed);
    for (int i = 0; i < frames; i++) {
        float left = s.from[0] + (s.to[0] - s.from[0]) * static_cast<float>(s.fraction);
        float right = s.from[1] + (s.to[1] - s.from[1]) * static_cast<float>(s.fraction);
        s.history[s.history_next] = (left + right) * 0.5f;
        s.history_next = (s.history_next + 1) % kFftSize;
        out[2 * i] += left * volume;
        out[2 * i + 1] += right * volume;
        s.fraction += s.step;
        while (s.fraction >= 1) {
            s.fraction -= 1;
            s.from[0] = s.to[0];
            s.from[1] = s.to[1];
            NextSourceFrame(s, s.to, start + static_cast<double>(i) / AudioDevice::kRate);
        }
    }
}

// When the block being mixed starts to sound: the output's own clock, frames counted at the
// nominal rate from the first block. Drivers that take blocks early (SDL's dummy driver rounds its
// wait down to whole milliseconds) do not make events early; a driver that falls behind moves the
// clock forward so that events are not raised before their block.
static double BlockStartTime(int frames)
{
    static double clock_start = 0;
    static uint64_t frames_mixed = 0;
    double now = SteadySeconds();
    double start = clock_start + static_cast<double>(frames_mixed) / AudioDevice::kRate;
    if (frames_mixed == 0 || start < now) {
        clock_start = now - static_cast<double>(frames_mixed) / AudioDevice::kRate;
        start = now;
    }
    frames_mixed += static_cast<uint64_t>(frames);
    return start;
}

// SDL's audio thread: the events heard by now, then the next block of every playing stream.
static void MixCallback(void*, Uint8* bytes, int length)
{
    auto* out = reinterpret_cast<float*>(bytes);
    int frames = length / static_cast<int>(AudioDevice::kChannels * sizeof(float));
    memset(bytes, 0, static_cast<size_t>(length));
    RaiseDueEvents(SteadySeconds());
    double start = BlockStartTime(frames);
    for (AudioStream* stream : audio_device.playing)
        MixStream(*stream, out, frames, start);
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
    want.freq = AudioDevice::kRate;
    want.format = AUDIO_F32SYS;
    want.channels = AudioDevice::kChannels;
    want.samples = AudioDevice::kBlockFrames;
    want.callback = MixCallback;
    audio_device.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio_device.id == 0) {
        printf("Audio error: %d", 2);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // A script may end the process with os.exit: the audio thread must stop before the event
    // queue that it writes to is destroyed.
    static bool exit_handler = false;
    if (!exit_handler)
        exit_handler = atexit(CloseAudioDevice) == 0;
    SDL_PauseAudioDevice(audio_device.id, 0);
    return true;
}

void CloseAudioDevice()
{
    if (audio_device.id == 0)
        return;
    SDL_CloseAudioDevice(audio_device.id);
    audio_device.id = 0;
    audio_device.playing.clear();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

AudioStream* CreateFileStream(const char* path)
{
    if (audio_device.id == 0 || !path)
        return nullptr;
    auto stream = std::make_unique<AudioStream>();
    stream->file = sf_open(path, SFM_READ, &stream->info);
    if (!stream->file)
        return nullptr;
    if (stream->info.frames <= 0 || stream->info.channels <= 0 || stream->info.samplerate <= 0) {
        sf_close(stream->file);
        return nullptr;
    }
    stream->chunk.resize(kChunkFrames * static_cast<size_t>(stream->info.channels));
    stream->step = static_cast<double>(stream->info.samplerate) / AudioDevice::kRate;
    audio_device.streams.push_back(std::move(stream));
    return audio_device.streams.back().get();
}

void SetEndEvent(AudioStream* stream, AudioEventCallback callback, void* user)
{
    if (stream)
        stream->events.push_back({-1, callback, user});
}

void SetPositionEvent(AudioStream* stream, int64_t position, AudioEventCallback callback,
                      void* user)
{
    if (!stream)
        return;
    // Position events stay sorted ahead of the end events; equal positions keep their order.
    auto at = stream->events.begin();
    while (at != stream->events.end() && at->position >= 0 && at->position <= position)
        ++at;
    stream->events.insert(at, {position, callback, user});
}

int64_t SecondsToPosition(const AudioStream* stream, double seconds)
{
    if (!stream || !(seconds > 0))
        return 0;
    double frames = seconds * stream->info.samplerate;
    return frames >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(frames);
}

void StartStream(AudioStream* stream)
{
    if (!stream || audio_device.id == 0)
        return;
    SDL_LockAudioDevice(audio_device.id);
    audio_device.playing.push_back(stream);
    SDL_UnlockAudioDevice(audio_device.id);
}

void SetStreamVolume(AudioStream* stream, float volume)
{
    if (stream)
        stream->volume.store(volume, std::memory_order_relaxed);
}

bool GetStreamSpectrum(AudioStream* stream, float out[kSpectrumSize])
{
    if (!stream || audio_device.id == 0)
        return false;
    static float* input = fftwf_alloc_real(kFftSize);
    static fftwf_complex* output = fftwf_alloc_complex(kFftSize / 2 + 1);
    static fftwf_plan plan = fftwf_plan_dft_r2c_1d(kFftSize, input, output, FFTW_ESTIMATE);
    static float window[kFftSize];
    static float window_sum = 0;
    if (window_sum == 0)
        for (int i = 0; i < kFftSize; i++) {
            window[i] = 0.5f - 0.5f * std::cos(2 * static_cast<float>(M_PI) * i / kFftSize);
            window_sum += window[i];
        }

    SDL_LockAudioDevice(audio_device.id);
    for (int i = 0; i < kFftSize; i++)
        input[i] = stream->history[(stream->history_next + i) % kFftSize] * window[i];
    SDL_UnlockAudioDevice(audio_device.id);

    fftwf_execute(plan);
    for (int k = 0; k < kSpectrumSize; k++)
        out[k] = std::hypot(output[k][0], output[k][1]) * 2 / window_sum;
    return true;
}
