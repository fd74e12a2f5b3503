// Fuzz targets that read files: the input is written to a file of this process first.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Writes `size` bytes to a file named after the process and `name`; returns its path.
inline std::string WriteFuzzFile(const char* name, const uint8_t* data, size_t size)
{
    std::string path = "/tmp/demohost-fuzz-" + std::to_string(getpid()) + "-" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (file) {
        fwrite(data, 1, size, file);
        fclose(file);
    }
    return path;
}
