// ID3v1 tags: the last 128 bytes of a file when they begin with "TAG".
#pragma once

#include <optional>
#include <string>

struct Id3Tag {
    std::string title;   // 30 bytes at offset 3, up to the first zero byte
    std::string artist;  // 30 bytes at offset 33, likewise
};

std::optional<Id3Tag> ReadId3v1(const char* path);
