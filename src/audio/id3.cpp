// ID3v1 tags: the last 128 bytes of a file when they begin with "TAG".

#include "audio/id3.h"

#include <cstdio>
#include <cstring>

static const long kTagSize = 128;

static std::string Field(const char* tag, size_t offset)
{
    const char* field = tag + offset;
    const void* zero = memchr(field, 0, 30);
    return std::string(field, zero ? static_cast<const char*>(zero) - field : 30);
}

std::optional<Id3Tag> ReadId3v1(const char* path)
{
    if (!path)
        return std::nullopt;
    FILE* file = fopen(path, "rb");
    if (!file)
        return std::nullopt;
    char tag[kTagSize];
    bool found = fseek(file, -kTagSize, SEEK_END) == 0 && fread(tag, 1, kTagSize, file) == kTagSize &&
                 memcmp(tag, "TAG", 3) == 0;
    fclose(file);
    if (!found)
        return std::nullopt;
    return Id3Tag{Field(tag, 3), Field(tag, 33)};
}
