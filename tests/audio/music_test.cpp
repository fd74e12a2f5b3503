// Music end to end inside the test process with SDL's dummy driver: sync timing, the event
// queue's collapsing and order, tags, bad files and times, sample rates, channels, and volume.

#include "support/audio_files.h"
#include "support/music_events.h"

#include "app/api.h"
#include "app/music_events.h"
#include "audio/music.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

// Lateness is judged on the sound heard (the device's clock), which a busy machine slows down
// with the test. SDL's dummy driver plays 1024-frame blocks (23 ms): a point waits up to a block
// for the music to start and up to a block for its own to be played; the rest is the poll's
// delay, which a busy machine stretches.
static const double kLate = 2 * 1024.0 / 44100 + 0.1;

class Music : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenAudioDevice()); }
    void TearDown() override { CloseAudioDevice(); }
    MusicEventLog log;
    TestState& lua = log.lua;
};

TEST_F(Music, SyncsArriveAfterTheirTimeEveryLoop)
{
    std::string path = WriteSine("loop.wav", 0.6, 440, 0.5);
    double call = SecondsHeard();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.2, 'first', 0.4, 'second'})"), "");
    std::vector<std::pair<std::string, double>> expected = {
        {"first", 0.2}, {"second", 0.4}, {"end", 0.6}, {"first", 0.8}, {"second", 1.0},
        {"end", 1.2}};
    auto seen = log.CollectCount(expected.size());
    ASSERT_GE(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        double heard = log.device_seconds[i] - call;
        EXPECT_EQ(seen[i].first, expected[i].first);
        EXPECT_GE(heard, expected[i].second) << expected[i].first << " " << i;
        EXPECT_LE(heard, expected[i].second + kLate) << expected[i].first << " " << i;
    }
}

TEST_F(Music, EndsCollapseAndSyncsKeepTheirOrderPastAFailingHandler)
{
    // Between the deliveries: syncs at 0.1, 0.3 and 0.5 s and ends at 0.2 and 0.4 s, delivered
    // after 0.58 s of sound, before the end at 0.6 s. Mixed offline, so that exactly that much
    // has been heard whatever the machine's load.
    CloseAudioDevice();
    OpenOfflineAudio();
    std::string path = WriteSine("short.wav", 0.2, 440, 0.5);
    ASSERT_EQ(lua.Run(R"(
        local failed = false
        function MusicSync(name)
            events[#events + 1] = name
            if not failed then failed = true error("handler failed") end
        end
        PlayMusicWithSync(")" + path + R"(", {0.1, "s"})
    )"),
              "");
    std::vector<float> block(2 * 441);
    for (int i = 0; i < 58; i++)
        MixOffline(block.data(), 441);
    testing::internal::CaptureStdout();
    DeliverMusicEvents(lua.L);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lua.Run("assert(table.concat(events, ',') == 'end,s,s,s', table.concat(events, ','))"),
              "");
    EXPECT_NE(out.find("Error: [string"), std::string::npos);
    EXPECT_NE(out.find("handler failed"), std::string::npos);
}

TEST_F(Music, OddTablesEmptyTablesAndOddTimes)
{
    std::string path = WriteSine("odd.wav", 0.3, 440, 0.5);
    // Times that are no number, negative or NaN are the start, in table order, at once; times
    // past the end never come.
    double call = SecondsHeard();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {'soon', 'zero', -5, 'negative', 0/0, "
                      "'nan', 1e300, 'never', 1/0, 'never', 0.31, 'past the end'})"),
              "");
    auto seen = log.CollectCount(3);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].first + seen[1].first + seen[2].first, "zeronegativenan");
    EXPECT_LT(log.device_seconds[2] - call, kLate);
    // A last time without a name is nil; an empty table or none gives no points.
    call = SecondsHeard();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.1, 'named', 0.15})"
                      "PlayMusicWithSync('" + path + "', {})"
                      "PlayMusicWithSync('" + path + "', 'not a table')"),
              "");
    auto rest = log.CollectUntilHeard(call + 0.3 + kLate);
    std::vector<std::string> syncs;
    int ends = 0;
    for (size_t i = 3; i < rest.size(); i++) {
        const std::string& name = rest[i].first;
        ends += name == "end";
        EXPECT_TRUE(name != "never" && name != "past the end") << name;
        if (syncs.size() < 2 && (name == "named" || name == "nil")) {
            syncs.push_back(name);
            EXPECT_GE(log.device_seconds[i] - call, name == "named" ? 0.1 : 0.15);
        }
    }
    EXPECT_EQ(syncs, (std::vector<std::string>{"named", "nil"}));
    // The streams loop: end events between two deliveries may collapse, but at least one arrives.
    EXPECT_GE(ends, 1);
}

TEST_F(Music, OtherRatesAndMonoPlayAtTheirOwnSpeed)
{
    std::string path = WriteSine("fast.wav", 0.5, 440, 0.5, 48000, 2);
    double call = SecondsHeard();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.3, 'mark'})"), "");
    auto seen = log.CollectCount(2);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, "mark");
    EXPECT_GE(log.device_seconds[0] - call, 0.3);
    EXPECT_LE(log.device_seconds[0] - call, 0.3 + kLate);
    EXPECT_EQ(seen[1].first, "end");
    EXPECT_GE(log.device_seconds[1] - call, 0.5);
}

TEST_F(Music, TagsAreArtistThenTitle)
{
    std::string path = WriteSine("tagged.wav", 0.2, 440, 0.5);
    std::string title30(30, 'T');
    AppendId3v1(path, title30, "Some Artist");
    std::string plain = WriteSine("plain.wav", 0.2, 440, 0.5);
    EXPECT_EQ(lua.Run("local artist, title = PlayMusic('" + path + "')"
                      "assert(artist == 'Some Artist', artist)"
                      "assert(title == '" + title30 + "', title)"
                      "assert(select('#', PlayMusic('" + plain + "')) == 0)"),
              "");
}

TEST_F(Music, BadFilesGiveNoResultsAndOneLineNamingTheFile)
{
    std::string empty = ScriptTempDir() + "/empty.wav";
    std::string garbage = ScriptTempDir() + "/garbage.wav";
    std::string truncated = WriteSine("truncated.wav", 0.2, 440, 0.5);
    { std::ofstream touch(empty); }
    std::string fifo = ScriptTempDir() + "/music.fifo";
    unlink(fifo.c_str());
#if defined(_WIN32)
    // Windows has no named pipes among its files: a second folder stands in.
    fifo = ScriptTempDir() + "/music.folder";
    std::filesystem::create_directories(fifo);
#else
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
#endif
    std::ofstream(garbage) << "RIFF nonsense that is no wave file at all";
    std::filesystem::resize_file(truncated, 60);
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("for _, path in ipairs({'missing.wav', '" + empty + "', '" + garbage +
                      "', '" + ScriptTempDir() + "', '" + fifo + "'}) do "
                      "assert(select('#', PlayMusic(path)) == 0, path) end "
                      "assert(select('#', PlayMusic()) == 0) "
                      "assert(select('#', PlayMusicWithSync({}, {1, 'x'})) == 0) "
                      "PlayMusic('" + truncated + "') "
                      "SetVolume(0.5) assert(#GetSpectrum() == 512)"),
              "");
    std::istringstream out(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Music loading error: No such file or directory: missing.wav");
    EXPECT_EQ(lines[3], "Music loading error: not a regular file: " + ScriptTempDir());
    EXPECT_EQ(lines[4], "Music loading error: not a regular file: " + fifo);
    EXPECT_EQ(lines[5], "Music loading error: no file name");
    EXPECT_EQ(lines[6], "Music loading error: no file name");
    for (size_t i : {1, 2, 7}) {
        const std::string& path = i == 1 ? empty : i == 2 ? garbage : truncated;
        EXPECT_EQ(lines[i].rfind("Music loading error: ", 0), 0u) << lines[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - path.size() - 2), ": " + path) << lines[i];
    }
}

TEST_F(Music, SpectrumFindsASineAtItsBin)
{
    EXPECT_EQ(lua.Run("assert(#GetSpectrum() == 512)"), "");
    // Bin 40's centre frequency.
    std::string path = WriteSine("bin40.wav", 1.0, 40 * 44100.0 / 1024, 0.5);
    double call = SecondsHeard();
    ASSERT_EQ(lua.Run("PlayMusic('" + path + "')"), "");
    log.CollectUntilHeard(call + 0.15);
    EXPECT_EQ(lua.Run(R"(
        local s = GetSpectrum()
        assert(#s == 512)
        assert(math.abs(s[41] - 0.5) < 0.03, "bin 40: " .. s[41])
        for k = 1, 512 do
            if math.abs(k - 41) > 3 then assert(s[k] < 0.01, "bin " .. (k - 1) .. ": " .. s[k]) end
        end
        SetVolume(0.1)
        local quiet = GetSpectrum()
        assert(math.abs(quiet[41] - 0.5) < 0.03, "after SetVolume: " .. quiet[41])
    )"),
              "");
}

TEST_F(Music, SpectrumInsideEachSyncIsThatSyncsTone)
{
    ExpectSpectrumFollowsSyncs(10);
}

TEST_F(Music, DenseSyncsAreAllDeliveredInOrderPastAStallingHandler)
{
    // 6000 points in 1.5 s, and the first handler holds the frame loop for half a second of
    // processor time: the events of that while wait, none is lost or overtaken. The track is long
    // enough that a busy machine's stall does not reach its loop.
    std::string path = WriteSine("dense.wav", 10.0, 440, 0.5);
    ASSERT_EQ(lua.Run(R"(
        local stalled = false
        function MusicSync(name)
            events[#events + 1] = name
            if not stalled then
                stalled = true
                local c = os.clock()
                while os.clock() - c < 0.5 do end
            end
        end
        local syncs = {}
        for i = 1, 6000 do syncs[#syncs + 1] = i * 0.00025 syncs[#syncs + 1] = i end
        PlayMusicWithSync(")" + path + R"(", syncs)
    )"),
              "");
    SeenEvents seen = log.CollectCount(6000);
    ASSERT_GE(seen.size(), 6000u);
    for (size_t i = 0; i < 6000; i++)
        ASSERT_EQ(seen[i].first, std::to_string(i + 1));
}

TEST_F(Music, SyncPointsFireInTimeOrderWhateverTheTableOrder)
{
    std::string path = WriteSine("order.wav", 0.5, 440, 0.5);
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.3, 'c', 0.1, 'a', 0.2, 'b', 0.1, "
                      "'a2'})"),
              "");
    SeenEvents seen = log.CollectCount(4);
    std::vector<std::string> names;
    for (size_t i = 0; i < seen.size() && names.size() < 4; i++)
        names.push_back(seen[i].first);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "a2", "b", "c"}));
    // Many points are put in order at once, not one by one (200,000 took 11.6 s that way).
    Clock::time_point start = Clock::now();
    ASSERT_EQ(lua.Run("local s = {} for i = 200000, 1, -1 do s[#s + 1] = i * 1e-5 s[#s + 1] = 'x' "
                      "end PlayMusicWithSync('" + path + "', s)"),
              "");
    EXPECT_LT(SecondsSince(start), 5.0);
}

TEST_F(Music, FilesThatPromiseMoreThanTheyHoldAndImpossibleRatesAreNoStreams)
{
    // A FLAC file cut after its header: libsndfile opens it and reports frames it cannot read.
    std::string flac = ScriptTempDir() + "/cut.flac";
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(flac.c_str(), SFM_WRITE, &info);
    std::vector<short> tone(44100);
    for (size_t i = 0; i < tone.size(); i++)
        tone[i] = static_cast<short>(8000 * std::sin(i * 0.05));
    sf_write_short(file, tone.data(), static_cast<sf_count_t>(tone.size()));
    sf_close(file);
    std::filesystem::resize_file(flac, 200);
    SF_INFO cut{};
    file = sf_open(flac.c_str(), SFM_READ, &cut);
    ASSERT_NE(file, nullptr);
    EXPECT_GT(cut.frames, 0);
    sf_close(file);

    // A 46-byte WAV that claims 2,147,483,647 frames per second.
    std::string fast = ScriptTempDir() + "/fast.wav";
    {
        std::ofstream out(fast, std::ios::binary);
        auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out << "RIFF";
        u32(38);
        out << "WAVEfmt ";
        u32(16), u16(1), u16(1), u32(2147483647), u32(2147483647), u16(2), u16(16);
        out << "data";
        u32(2), u16(1000);
    }
    EXPECT_EQ(lua.Run("assert(select('#', PlayMusic('" + flac + "')) == 0) "
                      "assert(select('#', PlayMusic('" + fast + "')) == 0)"),
              "");
    // Neither plays: no end events, and the spectrum answers at once.
    Clock::time_point start = Clock::now();
    EXPECT_EQ(lua.Run("assert(#GetSpectrum() == 512)"), "");
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_TRUE(log.CollectUntilHeard(SecondsHeard() + 0.3).empty());
}

TEST_F(Music, EveryChannelOfAFileIsHeard)
{
    // Bin 40's centre: a centre channel reaches both sides at -3 dB, a back left one the left.
    double frequency = 40 * 44100.0 / 1024;
    std::string centre = WriteSineOnChannel("centre.wav", 3, 2, frequency, 0.5);
    std::string back = WriteSineOnChannel("back.wav", 6, 4, frequency, 0.5);
    ASSERT_EQ(lua.Run("PlayMusic('" + centre + "')"), "");
    log.CollectUntilHeard(SecondsHeard() + 0.15);
    EXPECT_EQ(lua.Run("local s = GetSpectrum() assert(math.abs(s[41] - 0.354) < 0.03, s[41])"), "");
    ASSERT_EQ(lua.Run("PlayMusic('" + back + "')"), "");
    log.CollectUntilHeard(SecondsHeard() + 0.15);
    EXPECT_EQ(lua.Run("local s = GetSpectrum() assert(math.abs(s[41] - 0.25) < 0.03, s[41])"), "");
}

// A frame reads the position once: an audio block that ends while its update runs does not
// change what the script and the tracks see; the script's own moves of the music do.
TEST_F(Music, TheFramesPositionHoldsUntilTheScriptMovesTheMusic)
{
    CloseAudioDevice();
    OpenOfflineAudio();
    PlayMusic(WriteSine("held.wav", 4.0, 440, 0.5).c_str(), {});
    std::vector<float> block(4410 * 2);
    MixOffline(block.data(), 4410);
    double position = 0, length = 0;
    ASSERT_TRUE(HoldMusicPosition(position, length));
    EXPECT_DOUBLE_EQ(position, 0.1);
    MixOffline(block.data(), 4410);
    ASSERT_TRUE(MusicPosition(position, length));
    EXPECT_DOUBLE_EQ(position, 0.1) << "a block heard inside the frame";
    EXPECT_DOUBLE_EQ(length, 4.0);
    SeekMusic(2.0);
    ASSERT_TRUE(MusicPosition(position, length));
    EXPECT_DOUBLE_EQ(position, 2.0);
    ASSERT_TRUE(HoldMusicPosition(position, length));
    StopMusic();
    EXPECT_FALSE(MusicPosition(position, length));
}
