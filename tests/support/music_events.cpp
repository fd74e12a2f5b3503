// Music event recording for tests, and the spectrum-at-sync check shared by the audio drivers.

#include "support/music_events.h"

#include "support/audio_files.h"

#include "app/api.h"
#include "app/music_events.h"
#include "audio/audio_device.h"

#include <gtest/gtest.h>

#include <thread>

MusicEventLog::MusicEventLog()
{
    EXPECT_EQ(lua.Run(R"(
        events = {}
        function MusicEnd() events[#events + 1] = "end" end
        function MusicSync(name) events[#events + 1] = tostring(name) end
    )"),
              "");
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double SecondsHeard()
{
    return static_cast<double>(AudioFramesHeard()) / kAudioRate;
}

void MusicEventLog::Poll(Clock::time_point start)
{
    DeliverMusicEvents(lua.L);
    double at = SecondsSince(start);
    double device = SecondsHeard();
    lua_getglobal(lua.L, "events");
    for (size_t i = seen_.size() + 1; i <= lua_objlen(lua.L, -1); i++) {
        lua_rawgeti(lua.L, -1, static_cast<int>(i));
        seen_.emplace_back(lua_tostring(lua.L, -1), at);
        device_seconds.push_back(device);
        lua_pop(lua.L, 1);
    }
    lua_pop(lua.L, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SeenEvents MusicEventLog::CollectCount(size_t count)
{
    Clock::time_point start = Clock::now();
    while (seen_.size() < count && SecondsSince(start) < kGiveUpSeconds)
        Poll(start);
    return seen_;
}

SeenEvents MusicEventLog::CollectUntilHeard(double seconds, Clock::time_point start)
{
    double give_up = SecondsSince(start) + seconds - SecondsHeard() + kGiveUpSeconds;
    while (SecondsHeard() < seconds && SecondsSince(start) < give_up)
        Poll(start);
    return seen_;
}

void ExpectSpectrumFollowsSyncs(double wait_seconds)
{
    const int bins[8] = {24, 48, 72, 96, 120, 144, 168, 192};
    std::vector<double> frequencies;
    for (int bin : bins)
        frequencies.push_back(bin * 44100.0 / 1024);
    std::string path = WriteTones("tones.wav", frequencies, 0.5, 0.5);
    std::this_thread::sleep_for(std::chrono::duration<double>(wait_seconds));

    MusicEventLog log;
    ASSERT_EQ(log.lua.Run(R"(
        function MusicSync(name)
            local s, peak = GetSpectrum(), 1
            for k = 2, #s do if s[k] > s[peak] then peak = k end end
            events[#events + 1] = name .. "@" .. (peak - 1)
        end
        function MusicEnd() end
        local syncs = {}
        for i = 0, 7 do syncs[#syncs + 1] = i * 0.5 + 0.15 syncs[#syncs + 1] = tostring(i) end
        PlayMusicWithSync(")" + path + R"(", syncs)
    )"),
              "");
    SeenEvents seen = log.CollectCount(8);
    ASSERT_GE(seen.size(), 8u);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(seen[i].first, std::to_string(i) + "@" + std::to_string(bins[i]));
}
