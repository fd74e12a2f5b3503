// Music figures with SDL's dummy driver: sync delivery delay, PlayMusic on a 10-minute file (time
// and memory), the audio thread's CPU share for one stream, and GetSpectrum.

#include "app/api.h"
#include "app/music_events.h"
#include "audio/music.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

static void OpenDevice()
{
    static bool open = false;
    if (!open) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        open = OpenAudioDevice();
    }
}

// A mono 16-bit WAV of `seconds` of a 440 Hz tone, written once.
static std::string ToneFile(double seconds)
{
    std::string path = "/tmp/demohost-bench-" + std::to_string(static_cast<int>(seconds)) + ".wav";
    if (std::ifstream(path).good())
        return path;
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<short> block(44100);
    for (size_t i = 0; i < block.size(); i++)
        block[i] = static_cast<short>(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    for (int s = 0; s < static_cast<int>(seconds); s++)
        sf_write_short(file, block.data(), static_cast<sf_count_t>(block.size()));
    sf_close(file);
    return path;
}

static long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

static lua_State* NewScript()
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    RegisterScriptApi(L);
    return L;
}

// 20 syncs 0.1 s apart; delivery polled every millisecond, as a fast frame loop would.
static void SyncDelay(benchmark::State& state)
{
    OpenDevice();
    lua_State* L = NewScript();
    std::string path = ToneFile(5);
    std::vector<double> delays;
    for (auto _ : state) {
        luaL_dostring(L, "delivered = 0 function MusicSync() delivered = delivered + 1 end "
                         "function MusicEnd() end");
        std::string code = "local s = {} for i = 1, 20 do s[#s + 1] = i * 0.1 s[#s + 1] = 'x' "
                           "end PlayMusicWithSync('" + path + "', s)";
        Clock::time_point start = Clock::now();
        luaL_dostring(L, code.c_str());
        int seen = 0;
        while (seen < 20) {
            DeliverMusicEvents(L);
            lua_getglobal(L, "delivered");
            int delivered = static_cast<int>(lua_tointeger(L, -1));
            lua_pop(L, 1);
            double at = std::chrono::duration<double>(Clock::now() - start).count();
            for (; seen < delivered; seen++)
                delays.push_back(at - (seen + 1) * 0.1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SetVolume(0);
    }
    std::sort(delays.begin(), delays.end());
    state.counters["median_ms"] = delays[delays.size() / 2] * 1000;
    state.counters["worst_ms"] = delays.back() * 1000;
    state.counters["earliest_ms"] = delays.front() * 1000;
    lua_close(L);
}
BENCHMARK(SyncDelay)->Iterations(1)->Unit(benchmark::kMillisecond);

static void PlayMusicLongFile(benchmark::State& state)
{
    OpenDevice();
    lua_State* L = NewScript();
    std::string path = ToneFile(600);
    long before = ResidentKiB();
    double seconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        PlayMusic(path.c_str(), {});
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        SetVolume(0);
    }
    state.counters["return_ms"] = seconds * 1000;
    state.counters["resident_growth_KiB"] = static_cast<double>(ResidentKiB() - before);
    lua_close(L);
}
BENCHMARK(PlayMusicLongFile)->Iterations(1)->Unit(benchmark::kMillisecond);

// Process CPU time while the main thread sleeps is the audio thread's.
static void AudioThreadShare(benchmark::State& state)
{
    OpenDevice();
    PlayMusic(ToneFile(5).c_str(), {});
    double share = 0;
    for (auto _ : state) {
        std::clock_t cpu = std::clock();
        Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        double wall = std::chrono::duration<double>(Clock::now() - start).count();
        share = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC / wall;
    }
    state.counters["cpu_percent_of_a_core"] = share * 100;
    SetVolume(0);
}
BENCHMARK(AudioThreadShare)->Iterations(1)->Unit(benchmark::kMillisecond);

static void GetSpectrumFromLua(benchmark::State& state)
{
    OpenDevice();
    lua_State* L = NewScript();
    PlayMusic(ToneFile(5).c_str(), {});
    for (auto _ : state) {
        lua_getglobal(L, "GetSpectrum");
        lua_call(L, 0, 1);
        lua_pop(L, 1);
    }
    lua_close(L);
}
BENCHMARK(GetSpectrumFromLua)->Unit(benchmark::kMicrosecond);
