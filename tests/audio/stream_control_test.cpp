// A stream's position, seek, pause and stop, mixed offline so that every count is exact.

#include "support/audio_files.h"

#include "audio/audio_device.h"
#include "audio/music.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class StreamControl : public testing::Test {
protected:
    void SetUp() override
    {
        OpenOfflineAudio();
        std::string error;
        stream = CreateFileStream(WriteSine("transport.wav", 4.0, 440, 0.5).c_str(), error);
        ASSERT_NE(stream, nullptr) << error;
        // A point every half second, each recording its own time (kept in place: reserved).
        times.reserve(8);
        for (int i = 0; i < 8; i++) {
            times.push_back(i * 0.5);
            SetPositionEvent(stream, SecondsToPosition(stream, i * 0.5), Record, &times.back());
        }
        StartStream(stream);
    }
    void TearDown() override { CloseAudioDevice(); }

    static bool Record(void* time)
    {
        fired.push_back(*static_cast<double*>(time));
        return true;
    }
    // Mixes `seconds` of sound in 10 ms blocks.
    void Mix(double seconds)
    {
        std::vector<float> block(2 * 441);
        for (int i = 0; i < static_cast<int>(seconds * 100 + 0.5); i++)
            MixOffline(block.data(), 441);
    }
    // The points fired since the last call.
    std::vector<double> Fired()
    {
        std::vector<double> out;
        out.swap(fired);
        return out;
    }

    AudioStream* stream = nullptr;
    std::vector<double> times;
    static inline std::vector<double> fired;
};

TEST_F(StreamControl, PositionFollowsWhatIsMixedAndHoldsWhilePaused)
{
    EXPECT_DOUBLE_EQ(StreamSeconds(stream), 4.0);
    EXPECT_EQ(Fired(), (std::vector<double>{0.0}));
    Mix(0.7);
    EXPECT_NEAR(StreamPosition(stream), 0.7, 0.001);
    EXPECT_EQ(Fired(), (std::vector<double>{0.5}));

    PauseStream(stream, true);
    Mix(1.0);
    EXPECT_NEAR(StreamPosition(stream), 0.7, 0.001);
    EXPECT_TRUE(Fired().empty());
    PauseStream(stream, false);
    Mix(0.4);
    EXPECT_NEAR(StreamPosition(stream), 1.1, 0.001);
    EXPECT_EQ(Fired(), (std::vector<double>{1.0}));
}

TEST_F(StreamControl, SeekingFiresThePointsFromThereOnAndStopEndsThem)
{
    // Forward: the points passed over are not fired; the one at the new position is.
    Mix(0.2);
    Fired();
    SeekStream(stream, 2.0);
    Mix(0.6);
    EXPECT_EQ(Fired(), (std::vector<double>{2.0, 2.5}));
    EXPECT_NEAR(StreamPosition(stream), 2.6, 0.001);
    // Backward: the points after the new position fire again.
    SeekStream(stream, 0.9);
    Mix(0.65);
    EXPECT_EQ(Fired(), (std::vector<double>{1.0, 1.5}));
    EXPECT_NEAR(StreamPosition(stream), 1.55, 0.001);
    // Past the end: its last frame, then the loop from the start.
    SeekStream(stream, 99);
    Mix(0.1);
    EXPECT_EQ(Fired(), (std::vector<double>{0.0}));
    StopStream(stream);
    Mix(1.0);
    EXPECT_TRUE(Fired().empty());
}

// demohost-live's transport over every track: a seek reads the new position at once (before a
// block from there is heard), a move stops at the start, and a pause holds them all.
TEST_F(StreamControl, EveryStreamMovesAndPausesTogether)
{
    Mix(0.5);
    Fired();
    SeekStream(stream, 2.0);
    EXPECT_NEAR(StreamPosition(stream), 2.0, 0.001);
    MoveAllMusic(1.0);
    EXPECT_NEAR(StreamPosition(stream), 3.0, 0.001);
    MoveAllMusic(-10);
    EXPECT_NEAR(StreamPosition(stream), 0.0, 0.001);
    Mix(0.3);
    EXPECT_NEAR(StreamPosition(stream), 0.3, 0.001);
    PauseAllMusic(true);
    Mix(1.0);
    EXPECT_NEAR(StreamPosition(stream), 0.3, 0.001);
    PauseAllMusic(false);
    Mix(0.2);
    EXPECT_NEAR(StreamPosition(stream), 0.5, 0.001);
    EXPECT_EQ(Fired(), (std::vector<double>{0.0, 0.5}));
}
