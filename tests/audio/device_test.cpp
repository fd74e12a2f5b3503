// The audio device with SDL's disk driver (volume as written) and with no driver at all.

#include "support/audio_files.h"
#include "support/gl.h"

#include "audio/music.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

// Plays a 0.5-amplitude sine at `volume` through the disk driver and returns the largest sample
// written.
static float PeakWrittenAt(const char* volume)
{
    std::string out = testing::TempDir() + "/disk-" + volume + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    EXPECT_TRUE(OpenAudioDevice());
    std::string path = WriteSine("volume.wav", 1.0, 441, 0.5);
    TestState lua;
    EXPECT_EQ(lua.Run(std::string("PlayMusic('") + path + "') SetVolume(" + volume + ")"), "");
    // The disk driver writes in real time: wait for 0.2 s of it, however slowly it comes.
    for (int i = 0; i < 10000 && AudioFramesHeard() < 8820; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CloseAudioDevice();
    std::ifstream file(out, std::ios::binary);
    std::vector<float> samples;
    for (float sample; file.read(reinterpret_cast<char*>(&sample), sizeof sample);)
        samples.push_back(sample);
    float peak = 0;
    for (float sample : samples)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_GT(samples.size(), 4000u);
    return peak;
}

TEST(AudioDevice, VolumeScalesTheWrittenAmplitude)
{
    float normal = PeakWrittenAt("1");
    EXPECT_NEAR(normal, 0.5f, 0.01f);
    EXPECT_NEAR(PeakWrittenAt("0.5"), normal * 0.5f, 0.01f);
    EXPECT_NEAR(PeakWrittenAt("2"), normal * 2, 0.02f);
}

TEST(AudioDevice, WithoutADeviceTheMusicFailsQuietly)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(OpenAudioDevice());
    std::string path = WriteSine("silent.wav", 0.2, 441, 0.5);
    TestState lua;
    EXPECT_EQ(lua.Run("assert(select('#', PlayMusic('" + path + "')) == 0)"
                      "SetVolume(2) assert(#GetSpectrum() == 512)"),
              "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Audio error: 1");
}
