// Sound files made by the tests: sines written with libsndfile, and ID3v1 tags appended.

#include "support/audio_files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <vector>

std::string ScriptTempDir()
{
    std::string folder = testing::TempDir();
    for (char& c : folder)
        if (c == '\\')
            c = '/';
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// Writes interleaved float samples as a WAV file below the test directory, its name prefixed
// with the running test's: tests run side by side, and one must not read another's file while it
// is being written.
static std::string WriteWav(const std::string& name, const std::vector<float>& samples, int rate,
                            int channels)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string prefix = test ? std::string(test->test_suite_name()) + "." + test->name() + "-" : "";
    std::string path = ScriptTempDir() + "/" + prefix + name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
    sf_close(file);
    return path;
}

static float Sine(double amplitude, double frequency, size_t frame, int rate)
{
    return static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * frame / rate));
}

std::string WriteSine(const std::string& name, double seconds, double frequency, double amplitude,
                      int rate, int channels)
{
    auto frames = static_cast<size_t>(seconds * rate);
    std::vector<float> samples(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[i * channels + c] = Sine(amplitude, frequency, i, rate);
    return WriteWav(name, samples, rate, channels);
}

std::string WriteTones(const std::string& name, const std::vector<double>& frequencies,
                       double seconds, double amplitude)
{
    auto frames = static_cast<size_t>(seconds * 44100);
    std::vector<float> samples;
    for (double frequency : frequencies)
        for (size_t i = 0; i < frames; i++)
            samples.push_back(Sine(amplitude, frequency, i, 44100));
    return WriteWav(name, samples, 44100, 1);
}

std::string WriteBursts(const std::string& name, double seconds, const std::vector<double>& starts,
                        double length, double frequency, double amplitude)
{
    std::vector<float> samples(static_cast<size_t>(seconds * 44100));
    for (double start : starts) {
        auto from = static_cast<size_t>(start * 44100);
        for (size_t i = from; i < from + static_cast<size_t>(length * 44100); i++)
            samples[i] = Sine(amplitude, frequency, i, 44100);
    }
    return WriteWav(name, samples, 44100, 1);
}

std::string WriteBurst(const std::string& name, double seconds, double from, double to,
                       double frequency, double amplitude)
{
    return WriteBursts(name, seconds, {from}, to - from, frequency, amplitude);
}

std::string WriteSineOnChannel(const std::string& name, int channels, int channel,
                               double frequency, double amplitude)
{
    std::vector<float> samples(44100 * static_cast<size_t>(channels));
    for (size_t i = 0; i < 44100; i++)
        samples[i * channels + channel] = Sine(amplitude, frequency, i, 44100);
    return WriteWav(name, samples, 44100, channels);
}

void AppendId3v1(const std::string& path, const std::string& title, const std::string& artist)
{
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, std::min<size_t>(title.size(), 30), title.substr(0, 30));
    tag.replace(33, std::min<size_t>(artist.size(), 30), artist.substr(0, 30));
    std::ofstream(path, std::ios::binary | std::ios::app) << tag;
}

std::string WriteNoise(const std::string& name, double seconds)
{
    std::vector<float> samples(static_cast<size_t>(seconds * 44100));
    uint32_t state = 12345;
    for (float& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<float>(state >> 8) / static_cast<float>(1 << 24) * 2 - 1;
    }
    return WriteWav(name, samples, 44100, 1);
}
