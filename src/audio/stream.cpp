// One stream of the audio layer: libsndfile decoding, linear resampling, down-mixing to stereo,
// looping, and the events its samples reach.

#include "audio/stream.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

static const int kMinRate = 8000;
static const int kMaxRate = 384000;

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
static void ReachFrame(AudioStream& s, std::vector<AudioEvent>& held)
{
    s.from[0] = s.to[0];
    s.from[1] = s.to[1];
    if (s.to_starts_loop) {
        s.loops++;
        s.next_event = 0;
        for (const AudioEvent& e : s.end_events)
            held.push_back(e);
    }
    if (s.dead)
        return;
    while (s.next_event < s.position_events.size() &&
           s.position_events[s.next_event].position <= s.to_position) {
        const AudioEvent& e = s.position_events[s.next_event++];
        if (e.position == s.to_position)
            held.push_back(e);
    }
}

double SourcePosition(const AudioStream& s)
{
    return std::max(0.0, static_cast<double>(s.to_position) - 1 + s.fraction);
}

void MixStream(AudioStream& s, float* out, int frames, std::vector<AudioEvent>& held)
{
    if (!s.primed) {
        NextSourceFrame(s);
        ReachFrame(s, held);
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
            ReachFrame(s, held);
            NextSourceFrame(s);
        }
    }
}

void SortEvents(std::vector<AudioEvent>& events)
{
    auto earlier = [](const AudioEvent& a, const AudioEvent& b) { return a.position < b.position; };
    std::stable_sort(events.begin(), events.end(), earlier);
}

size_t FirstEventFrom(const AudioStream& s, int64_t frame)
{
    auto first = std::lower_bound(
        s.position_events.begin(), s.position_events.end(), frame,
        [](const AudioEvent& e, int64_t position) { return e.position < position; });
    return static_cast<size_t>(first - s.position_events.begin());
}

void PassEventsThrough(AudioStream& s, double position)
{
    while (s.next_event < s.position_events.size() &&
           static_cast<double>(s.position_events[s.next_event].position) <= position)
        s.next_event++;
}

void MixFrom(AudioStream& s, int64_t frame)
{
    if (sf_seek(s.file, frame, SEEK_SET) < 0)
        return;
    s.position = frame;
    s.chunk_frames = s.chunk_next = 0;
    s.fraction = 0;
    s.primed = false;
    s.next_event = FirstEventFrom(s, frame);
}

std::unique_ptr<AudioStream> OpenStreamFile(const char* path, std::string& error)
{
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
    stream->step = static_cast<double>(info.samplerate) / kAudioRate;
    return stream;
}

