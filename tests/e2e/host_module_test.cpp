// The "demohost" module end to end: music control on a 20-second track, text measuring, and the
// globals it leaves alone.

#include "support/audio_files.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

// The output's lines as words.
static std::vector<std::vector<std::string>> Words(const std::string& out)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        lines.emplace_back();
        for (std::string word; words >> word;)
            lines.back().push_back(word);
    }
    return lines;
}

TEST(HostModule, MusicIsToldSeekedPausedResumedAndStopped)
{
    ScriptDir dir;
    fs::copy_file(WriteSine("module_track.wav", 20.0, 440, 0.3),
                  fs::path(dir.Path()) / "res" / "track.wav");
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        local phase, start, now = 0
        function initialize()
            OpenWindow(64, 48, "music")
            local syncs = {}
            for i = 1, 39 do syncs[#syncs + 1] = i * 0.5 syncs[#syncs + 1] = tostring(i * 0.5) end
            print("none", host.music())
            PlayMusicWithSync("res/track.wav", syncs)
        end
        function MusicSync(name) print("sync", name) end
        local function loudest()
            local top = 0
            for _, v in ipairs(GetSpectrum()) do top = math.max(top, v) end
            return top
        end
        function update(time)
            start = start or time
            local e = time - start
            if phase == 0 and e > 1.2 then print("music", e, host.music()) host.seek(10) phase = 1
            elseif phase == 1 and e > 2.2 then print("seeked", host.music()) host.pause()
                print("paused", host.music()) phase = 2
            elseif phase == 2 and e > 3.2 then print("held", host.music()) host.resume()
                print("resumed") phase = 3
            elseif phase == 3 and e > 3.7 then host.stop() print("stopped", host.music()) phase = 4
            elseif phase == 4 and e > 4.7 then print("spectrum", loudest()) Quit() end
        end
    )");
    RunResult r = RunDemohost(dir);
    std::vector<std::vector<std::string>> lines = Words(r.out);
    std::string phase;
    std::vector<double> after_seek;
    double paused_at = -1;
    for (const std::vector<std::string>& w : lines) {
        if (w.empty())
            continue;
        if (w[0] == "sync") {
            EXPECT_NE(phase, "paused") << r.out;
            EXPECT_NE(phase, "stopped") << r.out;
            if (phase == "music")
                after_seek.push_back(std::stod(w[1]));
            continue;
        }
        phase = w[0];
        if (phase == "none") {
            EXPECT_EQ(w, (std::vector<std::string>{"none", "nil"}));
        } else if (phase == "music") {
            // Near the time since it started, on the sound heard, and 20 seconds long.
            ASSERT_EQ(w.size(), 4u) << r.out;
            EXPECT_NEAR(std::stod(w[2]), std::stod(w[1]), 0.15) << r.out;
            EXPECT_EQ(w[3], "20");
        } else if (phase == "seeked") {
            ASSERT_EQ(w.size(), 3u) << r.out;
            EXPECT_NEAR(std::stod(w[1]), 11.0, 0.15) << r.out;
        } else if (phase == "paused") {
            paused_at = std::stod(w[1]);
        } else if (phase == "held") {
            EXPECT_NEAR(std::stod(w[1]), paused_at, 0.03) << r.out;
        } else if (phase == "stopped") {
            EXPECT_EQ(w, (std::vector<std::string>{"stopped", "nil"}));
        } else if (phase == "spectrum") {
            EXPECT_EQ(w[1], "0") << r.out;
        }
    }
    EXPECT_EQ(phase, "spectrum") << r.out;
    // After the seek the points go on from 10: the next is 10 or 10.5, and none before it.
    ASSERT_GE(after_seek.size(), 2u) << r.out;
    EXPECT_TRUE(after_seek[0] == 10.0 || after_seek[0] == 10.5) << r.out;
    for (size_t i = 1; i < after_seek.size(); i++)
        EXPECT_EQ(after_seek[i], after_seek[i - 1] + 0.5) << r.out;
}

TEST(HostModule, TextSizeIsTheSizeDrawTextTakesAndTheGlobalsStayTwentySeven)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        local count = 0
        for name, value in pairs(_G) do
            if type(value) == "function" and name:match("^%u") then count = count + 1 end
        end
        print("globals", count, rawget(_G, "demohost"))
        function initialize()
            OpenWindow(320, 240, "text")
            local font = LoadFont("res/font/mono-20.fnt", "res/font/")
            print("one", host.text_size(font, "Hello"))
            print("two", host.text_size(font, "Hello\nHello"))
            print("wrapped", host.text_size(font, "Hello Hello", 80))
            print(pcall(function() local w, h = host.text_size(7, "x") return w, h end))
            print(pcall(function() local w, h = host.text_size(font) return w, h end))
        end
        function update() Quit() end
    )");
    RunResult r = RunDemohost(dir);
    EXPECT_NE(r.out.find("globals\t27\tnil\n"), std::string::npos) << r.out;
    // Five characters of 12 pixels, one and two lines of 23.
    EXPECT_NE(r.out.find("one\t60\t23\ntwo\t60\t46\nwrapped\t60\t46\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("bad argument #1 to 'text_size' (no font 7)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bad argument #2 to 'text_size' (string expected, got no value)"),
              std::string::npos)
        << r.out;
}
