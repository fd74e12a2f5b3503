// Fuzzes the ID3v1 tag reader with arbitrary files.

#include "fuzz_file.h"

#include "audio/id3.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = WriteFuzzFile("tag.mp3", data, size);
    std::optional<Id3Tag> tag = ReadId3v1(path.c_str());
    if (tag && (tag->title.size() > 30 || tag->artist.size() > 30))
        abort();
    return 0;
}
