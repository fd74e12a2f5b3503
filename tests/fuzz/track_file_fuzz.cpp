// Fuzzes the track file reader with arbitrary files: what it keeps is in row order with known
// types, and values are read at any row.

#include "fuzz_file.h"

#include "tracks/tracks.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = WriteFuzzFile("x.track", data, size);
    std::vector<TrackKey> keys = ReadTrackFile(path);
    for (size_t i = 0; i < keys.size(); i++) {
        bool in_order = i == 0 || keys[i].row > keys[i - 1].row;
        if (static_cast<int>(keys[i].type) >= kKeyTypes || !in_order)
            abort();
    }
    for (double row : {-1.0, 0.5, 1e3, 1e9})
        TrackValue(keys, row);
    return 0;
}
