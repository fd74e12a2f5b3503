// Fuzzes the music file opening path: arbitrary files through PlayMusicWithSync's engine call, on
// SDL's dummy audio driver, so that the audio thread also decodes, loops and mixes what opened.

#include "fuzz_file.h"

#include "audio/music.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    OpenAudioDevice();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A stream plays until the process ends and keeps its file open: each one gets a file of its
    // own, and after 200 of them the run only reads tags, so file handles last.
    static int streams = 0;
    std::string name = "music" + std::to_string(streams) + ".wav";
    std::string path = WriteFuzzFile(name.c_str(), data, size);
    if (streams >= 200) {
        ReadId3v1(path.c_str());
        return 0;
    }
    PlayMusic(path.c_str(), {{0.001, "start"}, {-1, std::nullopt}, {1e300, "never"}});
    double position = 0, length = 0;
    if (MusicPosition(position, length)) {
        streams++;
        SetVolume(0.5f);
        AnalyzeSpectrum();
    }
    return 0;
}
