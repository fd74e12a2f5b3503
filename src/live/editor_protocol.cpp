// The sync editor's wire protocol: big-endian fields after a command byte.

#include "live/editor_protocol.h"

#include "tracks/tracks.h"

#include <cstring>

static uint32_t ReadBig32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

static void WriteBig32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        p[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

int ReadEditorMessage(const unsigned char* bytes, size_t size, EditorMessage& message,
                      std::string& problem)
{
    if (size == 0)
        return 0;
    message = {};
    message.command = bytes[0];
    size_t length;
    switch (message.command) {
    case kSetKey: length = 14; break;
    case kDeleteKey: length = 9; break;
    case kSetRow: length = 5; break;
    case kPause: length = 2; break;
    case kSaveTracks: length = 1; break;
    default:
        problem = "unknown command " + std::to_string(message.command);
        return -1;
    }
    if (size < length)
        return 0;
    if (message.command == kSetKey || message.command == kDeleteKey) {
        message.track = ReadBig32(bytes + 1);
        message.row = ReadBig32(bytes + 5);
    }
    if (message.command == kSetKey) {
        uint32_t bits = ReadBig32(bytes + 9);
        memcpy(&message.value, &bits, sizeof message.value);
        message.flag = bytes[13];
        if (message.flag >= kKeyTypes) {
            problem = "unknown key type " + std::to_string(message.flag);
            return -1;
        }
    }
    if (message.command == kSetRow)
        message.row = ReadBig32(bytes + 1);
    if (message.command == kPause)
        message.flag = bytes[1];
    return static_cast<int>(length);
}

void WriteGetTrack(const std::string& name, std::vector<unsigned char>& out)
{
    unsigned char head[5] = {kGetTrack};
    WriteBig32(head + 1, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), head, head + sizeof head);
    out.insert(out.end(), name.begin(), name.end());
}

void WriteSetRow(int32_t row, std::vector<unsigned char>& out)
{
    unsigned char message[5] = {kSetRow};
    WriteBig32(message + 1, static_cast<uint32_t>(row < 0 ? 0 : row));
    out.insert(out.end(), message, message + sizeof message);
}

bool ApplyEditorMessage(const EditorMessage& message, size_t asked, EditorRequests& requests,
                        int32_t& row_told, std::string& problem)
{
    bool keyed = message.command == kSetKey || message.command == kDeleteKey;
    if (keyed && message.track >= asked) {
        problem = "a key for track " + std::to_string(message.track) + ", never asked for";
        return false;
    }
    if (message.row > INT32_MAX) {
        problem = "row " + std::to_string(message.row) + " is out of range";
        return false;
    }
    auto row = static_cast<int32_t>(message.row);
    auto track = static_cast<int>(message.track);
    switch (message.command) {
    case kSetKey:
        SetTrackKey(track, {row, message.value, static_cast<KeyType>(message.flag)});
        break;
    case kDeleteKey: DeleteTrackKey(track, row); break;
    case kSetRow:
        requests.row = row;
        row_told = row;
        break;
    case kPause: requests.pause = message.flag != 0; break;
    case kSaveTracks: requests.save = true; break;
    }
    return true;
}
