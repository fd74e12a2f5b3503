// Sound files made by the tests: sines written with libsndfile, and ID3v1 tags appended.

#include "support/audio_files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <vector>

std::string WriteSine(const std::string& name, double seconds, double frequency, double amplitude,
                      int rate, int channels)
{
    std::string path = testing::TempDir() + "/" + name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    auto frames = static_cast<size_t>(seconds * rate);
    std::vector<float> samples(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[i * channels + c] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * i / rate));
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return path;
}

void AppendId3v1(const std::string& path, const std::string& title, const std::string& artist)
{
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, std::min<size_t>(title.size(), 30), title.substr(0, 30));
    tag.replace(33, std::min<size_t>(artist.size(), 30), artist.substr(0, 30));
    std::ofstream(path, std::ios::binary | std::ios::app) << tag;
}
