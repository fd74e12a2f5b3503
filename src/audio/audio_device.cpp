// The audio layer: SDL2 output, libsndfile decoding, linear resampling, down-mixing, looping,
// mixing, events and the spectrum, all on the device's one clock of heard blocks.

#include "audio/audio_device.h"

#include "regular_file.h"

#include <SDL2/SDL.h>
#include <fftw3.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

AudioDevice audio_device;

static const int kFftSize = 2 * kSpectrumSize;
// The spectrum's samples end where the heard blocks end, so the ring also holds the blocks mixed
// after them.
static const size_t kHistorySize = 8192;
static const size_t kChunkFrames = 4096;
static const int kMinRate = 8000;
static const int kMaxRate = 384000;

struct AudioEvent {
    int64_t position;  // sample frame of the file; unused for end events
    AudioEventCallback callback;
    void* user;
    const AudioStream* stream;  // whose event it is
};

// Blocks mixed but not yet heard, at the most: the device holds one while the next is mixed.
static const int kMaxBlocksInFlight = 4;

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

    ~AudioStream()
    {
        if (file)
            sf_close(file);
    }
};

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

// A block was heard: each stream that it held has been heard up to where it stood after it.
static void StreamsHeard(int64_t frames_mixed)
{
    for (AudioStream* s : audio_device.playing) {
        int passed = 0;
        while (passed < s->mark_count && s->marks[passed].frames_mixed <= frames_mixed)
            s->heard_position = s->marks[passed++].position;
        std::copy(s->marks + passed, s->marks + s->mark_count, s->marks);
        s->mark_count -= passed;
    }
}

// The device asks for a block once it has taken the one before into its own buffer, and a block
// is heard once the device has played what it held before it: blocks older than its buffer are
// heard now. Their events fall due and their samples become the spectrum's.
static void BlocksHeard()
{
    while (in_flight.count > in_flight.buffered_blocks) {
        const BlockMark& heard = in_flight.marks[0];
        audio_device.frames_heard.store(heard.frames_mixed, std::memory_order_relaxed);
        StreamsHeard(heard.frames_mixed);
        held.due = heard.events_held;
        std::copy(in_flight.marks + 1, in_flight.marks + in_flight.count, in_flight.marks);
        in_flight.count--;
    }
}

// The mixer runs on SDL's thread when a device plays, on the caller's when mixing offline.
static void LockMixer()
{
    if (audio_device.id != 0)
        SDL_LockAudioDevice(audio_device.id);
}

static void UnlockMixer()
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

// Left and right gains per channel of a file, in the WAV and Vorbis order of speakers (front left,
// front right, centre, low frequency, back or side pairs): each channel reaches the stereo output,
// centre ones at -3 dB on both sides.
static std::vector<float> DownmixGains(int channels)
{
    const float centre = static_cast<float>(M_SQRT1_2);
    std::vector<float> gains(2 * static_cast<size_t>(channels), 0.0f);
    if (channels == 1) {
        gains[0] = gains[1] = 1;
        return gains;
    }
    // Which side each channel lies on: 0 left, 1 right, 2 centre.
    static const int kSides[9][8] = {
        {}, {}, {0, 1}, {0, 1, 2}, {0, 1, 0, 1}, {0, 1, 2, 0, 1}, {0, 1, 2, 2, 0, 1},
        {0, 1, 2, 2, 2, 0, 1}, {0, 1, 2, 2, 0, 1, 0, 1}};
    for (int c = 0; c < channels; c++) {
        int side = channels <= 8 ? kSides[channels][c] : (c < 2 ? c : 2);
        gains[2 * c] = side == 0 ? 1 : side == 2 ? centre : 0;
        gains[2 * c + 1] = side == 1 ? 1 : side == 2 ? centre : 0;
    }
    return gains;
}

static sf_count_t ReadChunk(AudioStream& s)
{
    sf_count_t got = sf_readf_float(s.file, s.chunk.data(), kChunkFrames);
    s.chunk_frames = got > 0 ? static_cast<size_t>(got) : 0;
    s.chunk_next = 0;
    return got;
}

// Refills the decoded chunk. When the file stops giving frames it has ended: seek back to the
// start and raise the end events once. False when even the start gives nothing.
static bool RefillChunk(AudioStream& s)
{
    if (ReadChunk(s) > 0)
        return true;
    sf_seek(s.file, 0, SEEK_SET);
    s.position = 0;
    s.to_starts_loop = true;
    if (ReadChunk(s) > 0)
        return true;
    s.dead = true;
    return false;
}

// Takes the file's next frame into `to`, mixed down to stereo.
static void NextSourceFrame(AudioStream& s)
{
    s.to_starts_loop = false;
    s.to[0] = s.to[1] = 0;
    if (s.dead || (s.chunk_next >= s.chunk_frames && !RefillChunk(s)))
        return;
    s.to_position = s.position;
    const float* source = s.chunk.data() + s.chunk_next * s.info.channels;
    for (int c = 0; c < s.info.channels; c++) {
        s.to[0] += source[c] * s.gains[2 * c];
        s.to[1] += source[c] * s.gains[2 * c + 1];
    }
    s.chunk_next++;
    s.position++;
}

// The output has reached the frame in `to`: every sample before it has been mixed, so the
// events at its point (and the end events, when it starts a loop) are held now, never earlier.
static void ReachFrame(AudioStream& s)
{
    s.from[0] = s.to[0];
    s.from[1] = s.to[1];
    if (s.to_starts_loop) {
        s.loops++;
        s.next_event = 0;
        for (const AudioEvent& e : s.end_events)
            held.events.push_back(e);
    }
    if (s.dead)
        return;
    while (s.next_event < s.position_events.size() &&
           s.position_events[s.next_event].position <= s.to_position) {
        const AudioEvent& e = s.position_events[s.next_event++];
        if (e.position == s.to_position)
            held.events.push_back(e);
    }
}

// Where the output stands in the file: between the frames in `from` and `to`.
static double SourcePosition(const AudioStream& s)
{
    return std::max(0.0, static_cast<double>(s.to_position) - 1 + s.fraction);
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

static void MixStream(AudioStream& s, float* out, int frames)
{
    if (!s.primed) {
        NextSourceFrame(s);
        ReachFrame(s);
        NextSourceFrame(s);
        s.primed = true;
    }
    float volume = s.volume.load(std::memory_order_relaxed);
    for (int i = 0; i < frames; i++) {
        float left = s.from[0] + (s.to[0] - s.from[0]) * static_cast<float>(s.fraction);
        float right = s.from[1] + (s.to[1] - s.from[1]) * static_cast<float>(s.fraction);
        s.history[s.history_next] = (left + right) * 0.5f;
        s.history_next = (s.history_next + 1) % kHistorySize;
        out[2 * i] += left * volume;
        out[2 * i + 1] += right * volume;
        s.fraction += s.step;
        while (s.fraction >= 1) {
            s.fraction -= 1;
            ReachFrame(s);
            NextSourceFrame(s);
        }
    }
}

static void MixBlock(float* out, int frames)
{
    memset(out, 0, static_cast<size_t>(frames) * AudioDevice::kChannels * sizeof(float));
    for (AudioStream* stream : audio_device.playing)
        if (!stream->paused)
            MixStream(*stream, out, frames);
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
             length / static_cast<int>(AudioDevice::kChannels * sizeof(float)));
}

static void StartClock(int buffered_blocks)
{
    in_flight.count = 0;
    in_flight.buffered_blocks = buffered_blocks;
    audio_device.frames_mixed = 0;
    audio_device.frames_heard = 0;
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
    want.freq = AudioDevice::kRate;
    want.format = AUDIO_F32SYS;
    want.channels = AudioDevice::kChannels;
    bool plays_nothing = PlaysNothing(SDL_GetCurrentAudioDriver());
    want.samples = plays_nothing ? 1024 : AudioDevice::kBlockFrames;
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
    static bool exit_handler = false;
    if (!exit_handler)
        exit_handler = atexit(CloseAudioDevice) == 0;
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
    int fd = OpenRegularFd(path);
    if (fd < 0) {
        error = !path ? "no file name" : errno != 0 ? strerror(errno) : "not a regular file";
        return nullptr;
    }
    auto stream = std::make_unique<AudioStream>();
    stream->file = sf_open_fd(fd, SFM_READ, &stream->info, SF_TRUE);
    if (!stream->file) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    const SF_INFO& info = stream->info;
    if (info.frames <= 0 || info.channels <= 0) {
        error = "no sound in the file";
        return nullptr;
    }
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate) {
        error = "a sample rate of " + std::to_string(info.samplerate) + " Hz (8 to 384 kHz play)";
        return nullptr;
    }
    stream->chunk.resize(kChunkFrames * static_cast<size_t>(info.channels));
    // A file whose header promises frames that its body does not give is no stream.
    if (ReadChunk(*stream) <= 0) {
        error = "the file holds no sound where its header promises some";
        return nullptr;
    }
    stream->gains = DownmixGains(info.channels);
    stream->step = static_cast<double>(info.samplerate) / AudioDevice::kRate;
    audio_device.streams.push_back(std::move(stream));
    return audio_device.streams.back().get();
}

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

// Puts sync points in position order; equal positions keep the order they were set in.
static void SortEvents(std::vector<AudioEvent>& events)
{
    auto earlier = [](const AudioEvent& a, const AudioEvent& b) { return a.position < b.position; };
    std::stable_sort(events.begin(), events.end(), earlier);
}

// The first event at or after `frame`, in a stream whose events are in position order.
static size_t FirstEventFrom(const AudioStream& s, int64_t frame)
{
    auto first = std::lower_bound(
        s.position_events.begin(), s.position_events.end(), frame,
        [](const AudioEvent& e, int64_t position) { return e.position < position; });
    return static_cast<size_t>(first - s.position_events.begin());
}

// Takes the points at or before `position` as passed: they are not raised.
static void PassEventsThrough(AudioStream& s, double position)
{
    while (s.next_event < s.position_events.size() &&
           static_cast<double>(s.position_events[s.next_event].position) <= position)
        s.next_event++;
}

// Mixes the stream on from `frame` of its file, the points from there on still to come. With the
// mixer locked, or before the stream plays.
static void MixFrom(AudioStream& s, int64_t frame)
{
    if (sf_seek(s.file, frame, SEEK_SET) < 0)
        return;
    s.position = frame;
    s.chunk_frames = s.chunk_next = 0;
    s.fraction = 0;
    s.primed = false;
    s.next_event = FirstEventFrom(s, frame);
}

void StartStream(AudioStream* stream, double seconds, std::vector<void*>* passed)
{
    if (!stream || !audio_device.open)
        return;
    SortEvents(stream->position_events);
    if (seconds > 0) {
        // The points up to the start position, that one included, have been passed.
        MixFrom(*stream, std::min(SecondsToPosition(stream, seconds), stream->info.frames - 1));
        PassEventsThrough(*stream, static_cast<double>(stream->position));
        for (size_t i = 0; passed && i < stream->next_event; i++)
            passed->push_back(stream->position_events[i].user);
    }
    LockMixer();
    audio_device.playing.push_back(stream);
    UnlockMixer();
    // Offline, a stream is heard from the moment it starts: the events at its first frame are
    // raised now (mixing no samples primes it), so that they belong to the frame that started it.
    if (audio_device.id == 0) {
        float none[AudioDevice::kChannels];
        MixOffline(none, 0);
    }
}

void SetStreamVolume(AudioStream* stream, float volume)
{
    if (stream)
        stream->volume.store(volume, std::memory_order_relaxed);
}

bool GetStreamSpectrum(AudioStream* stream, float out[kSpectrumSize])
{
    if (!stream || !audio_device.open)
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

    LockMixer();
    // The last samples heard end where the blocks still in the device begin.
    auto in_device = static_cast<size_t>(audio_device.frames_mixed - audio_device.frames_heard);
    size_t first = stream->history_next + 2 * kHistorySize - in_device - kFftSize;
    for (int i = 0; i < kFftSize; i++)
        input[i] = stream->history[(first + i) % kHistorySize] * window[i];
    UnlockMixer();

    fftwf_execute(plan);
    for (int k = 0; k < kSpectrumSize; k++)
        out[k] = std::hypot(output[k][0], output[k][1]) * 2 / window_sum;
    return true;
}

double StreamPosition(AudioStream* stream)
{
    if (!stream)
        return 0;
    LockMixer();
    double frame = stream->heard_position;
    UnlockMixer();
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
    stream->mark_count = 0;
    UnlockMixer();
}

// Drops the held events of `stream`. The counts of held events (those due, and those held after
// each block in flight) lose the dropped ones among those they count.
static void DropHeldEvents(const AudioStream* stream)
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
    stream->paused = paused;
    UnlockMixer();
}

void StopStream(AudioStream* stream)
{
    if (!stream)
        return;
    LockMixer();
    auto& playing = audio_device.playing;
    playing.erase(std::remove(playing.begin(), playing.end(), stream), playing.end());
    DropHeldEvents(stream);
    // What it leaves in the spectrum is silence.
    std::fill(std::begin(stream->history), std::end(stream->history), 0.0f);
    UnlockMixer();
}

std::vector<AudioStream*> PlayingStreams()
{
    LockMixer();
    std::vector<AudioStream*> playing = audio_device.playing;
    UnlockMixer();
    return playing;
}

bool StreamPlaying(const AudioStream* stream)
{
    LockMixer();
    auto& playing = audio_device.playing;
    bool found = std::find(playing.begin(), playing.end(), stream) != playing.end();
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
