// Synthesises the demo's music: 32 seconds at 120 beats a minute in four sections of eight
// seconds (intro: drums; verse: drums and bass; chorus: everything with a lead; outro: bass and
// lead), over the chords A minor, F, C, G. Writes a 16-bit stereo WAV with an ID3v1 tag.
// Usage: make_demo_music OUT.wav

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

static const int kRate = 44100;
static const double kBeat = 0.5;  // seconds
static const int kBeats = 64;
static const double kPi = 3.14159265358979323846;

static double Note(int semitones_from_a4)
{
    return 440.0 * std::pow(2.0, semitones_from_a4 / 12.0);
}

struct Mix {
    std::vector<float> left, right;
    explicit Mix(double seconds) : left(static_cast<size_t>(seconds * kRate)), right(left.size()) {}

    // Adds `voice(t)` from `start` for `length` seconds, panned (-1 left .. 1 right).
    template <typename Voice>
    void Add(double start, double length, double pan, Voice voice)
    {
        size_t first = static_cast<size_t>(start * kRate);
        size_t count = static_cast<size_t>(length * kRate);
        for (size_t i = 0; i < count && first + i < left.size(); i++) {
            double t = static_cast<double>(i) / kRate;
            double v = voice(t);
            left[first + i] += static_cast<float>(v * (1 - pan) * 0.5);
            right[first + i] += static_cast<float>(v * (1 + pan) * 0.5);
        }
    }
};

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUT.wav\n", argv[0]);
        return 2;
    }
    Mix mix(kBeats * kBeat);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1, 1);
    // Chord roots in semitones from A4: A, F, C, G; one chord a bar of four beats.
    const int roots[4] = {0, -4, -9, -2};
    const int chord_steps[4][3] = {{0, 3, 7}, {0, 4, 7}, {0, 4, 7}, {0, 4, 7}};

    for (int beat = 0; beat < kBeats; beat++) {
        double at = beat * kBeat;
        int section = beat / 16;
        int bar = beat / 4;
        int root = roots[bar % 4];
        bool drums = section < 3;
        bool bass = section >= 1;
        bool lead = section >= 2;

        if (drums) {
            mix.Add(at, 0.35, 0, [](double t) {
                double pitch = 45 + 90 * std::exp(-t * 30);
                return 0.9 * std::sin(2 * kPi * pitch * t) * std::exp(-t * 9);
            });
            mix.Add(at + kBeat / 2, 0.06, 0.4,
                    [&](double t) { return 0.25 * noise(random) * std::exp(-t * 60); });
            if (beat % 2 == 1)
                mix.Add(at, 0.2, -0.2, [&](double t) {
                    return (0.35 * noise(random) + 0.3 * std::sin(2 * kPi * 190 * t)) *
                           std::exp(-t * 18);
                });
        }
        if (bass) {
            double frequency = Note(root - 24);
            for (int half = 0; half < 2; half++)
                mix.Add(at + half * kBeat / 2, kBeat / 2, 0, [frequency](double t) {
                    double saw = 2 * std::fmod(t * frequency, 1.0) - 1;
                    return 0.35 * saw * std::exp(-t * 4);
                });
        }
        if (lead) {
            for (int eighth = 0; eighth < 2; eighth++) {
                int step = (beat * 2 + eighth) % 3;
                int octave = (beat % 4 == 3 && eighth == 1) ? 12 : 0;
                double frequency = Note(root + chord_steps[bar % 4][step] + octave);
                mix.Add(at + eighth * kBeat / 2, kBeat / 2, 0.3 * (eighth ? 1 : -1),
                        [frequency](double t) {
                            double square = std::sin(2 * kPi * frequency * t) > 0 ? 1 : -1;
                            double soft = std::sin(2 * kPi * frequency * t);
                            return (0.08 * square + 0.15 * soft) * std::exp(-t * 5);
                        });
            }
        }
    }

    std::vector<short> frames(mix.left.size() * 2);
    for (size_t i = 0; i < mix.left.size(); i++) {
        frames[2 * i] = static_cast<short>(std::tanh(mix.left[i]) * 30000);
        frames[2 * i + 1] = static_cast<short>(std::tanh(mix.right[i]) * 30000);
    }
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    sf_writef_short(file, frames.data(), static_cast<sf_count_t>(mix.left.size()));
    sf_close(file);

    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, 11, "Four Chords");
    tag.replace(33, 15, "demohost synths");
    FILE* out = fopen(argv[1], "ab");
    if (!out || fwrite(tag.data(), 1, tag.size(), out) != tag.size()) {
        fprintf(stderr, "cannot tag %s\n", argv[1]);
        return 1;
    }
    fclose(out);
    return 0;
}
