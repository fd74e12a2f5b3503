// Track files: their names and their format, the one the editor's player library reads.

#include "tracks/tracks.h"

#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string TrackFilePath(const std::string& prefix, std::string_view name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string path = prefix + "_";
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '/';
        if (kept) {
            path += c;
        } else {
            path += '-';
            path += kHex[byte >> 4];
            path += kHex[byte & 15];
        }
    }
    return path + ".track";
}

static const size_t kKeyBytes = 9;

static uint32_t ReadLittle32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

static void WriteLittle32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The whole file; false when it cannot be read, with errno set (0: not a regular file).
static bool ReadWhole(const std::string& path, std::vector<unsigned char>& bytes)
{
    FILE* file = OpenRegularFile(path.c_str());
    if (!file)
        return false;
    unsigned char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool read = !ferror(file);
    fclose(file);
    return read;
}

// The keys of a file's bytes; an empty `problem` when they are good.
static std::vector<TrackKey> DecodeKeys(const std::vector<unsigned char>& bytes,
                                        std::string& problem)
{
    std::vector<TrackKey> keys;
    if (bytes.size() < 4) {
        problem = "too short for a key count";
        return keys;
    }
    auto count = static_cast<int32_t>(ReadLittle32(bytes.data()));
    if (count < 0 || bytes.size() != 4 + static_cast<size_t>(count) * kKeyBytes) {
        problem = "a key count of " + std::to_string(count) + " does not match its " +
                  std::to_string(bytes.size()) + " bytes";
        return keys;
    }
    for (int32_t i = 0; i < count; i++) {
        const unsigned char* p = bytes.data() + 4 + static_cast<size_t>(i) * kKeyBytes;
        TrackKey key;
        key.row = static_cast<int32_t>(ReadLittle32(p));
        uint32_t bits = ReadLittle32(p + 4);
        memcpy(&key.value, &bits, sizeof key.value);
        if (p[8] >= kKeyTypes) {
            problem = "key " + std::to_string(i) + " has an unknown type " + std::to_string(p[8]);
            return {};
        }
        key.type = static_cast<KeyType>(p[8]);
        if (!keys.empty() && key.row <= keys.back().row) {
            problem = "key " + std::to_string(i) + " is not after the key before it";
            return {};
        }
        keys.push_back(key);
    }
    return keys;
}

std::vector<TrackKey> ReadTrackFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (!ReadWhole(path, bytes)) {
        if (errno != ENOENT)
            printf("Track file error: %s: %s\n", path.c_str(),
                   errno ? strerror(errno) : "not a regular file");
        return {};
    }
    std::string problem;
    std::vector<TrackKey> keys = DecodeKeys(bytes, problem);
    if (!problem.empty())
        printf("Track file error: %s: %s\n", path.c_str(), problem.c_str());
    return keys;
}

bool WriteTrackFile(const std::string& path, const std::vector<TrackKey>& keys)
{
    std::vector<unsigned char> bytes(4 + keys.size() * kKeyBytes);
    WriteLittle32(bytes.data(), static_cast<uint32_t>(keys.size()));
    for (size_t i = 0; i < keys.size(); i++) {
        unsigned char* p = bytes.data() + 4 + i * kKeyBytes;
        uint32_t bits;
        memcpy(&bits, &keys[i].value, sizeof bits);
        WriteLittle32(p, static_cast<uint32_t>(keys[i].row));
        WriteLittle32(p + 4, bits);
        p[8] = static_cast<unsigned char>(keys[i].type);
    }
    // Written whole under a new name and renamed, so that a reader never sees half a file.
    std::string temporary = path + ".new";
    FILE* file = fopen(temporary.c_str(), "wb");
    bool written = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = file && fclose(file) == 0 && written;
    if (!written || !MoveFileOver(temporary, path)) {
        printf("Track file error: cannot write %s: %s\n", path.c_str(), strerror(errno));
        if (file)
            remove(temporary.c_str());
        return false;
    }
    return true;
}
