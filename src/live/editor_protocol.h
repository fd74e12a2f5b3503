// The sync editor's wire protocol as pure functions over bytes: the greetings, the messages the
// editor sends read from a buffer, the demo's messages written to one, and a message carried out
// on the tracks. State: none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Each side's greeting, sent once when the connection is made.
const char* const kDemoGreeting = "hello, synctracker!";
const char* const kEditorGreeting = "hello, demo!";

// Commands on the wire, one byte each, followed by big-endian fields.
enum EditorCommand : uint8_t {
    kSetKey = 0,      // editor to demo: u32 track, u32 row, u32 float bits, u8 type
    kDeleteKey = 1,   // editor to demo: u32 track, u32 row
    kGetTrack = 2,    // demo to editor: u32 name length, the name
    kSetRow = 3,      // both ways: u32 row
    kPause = 4,       // editor to demo: u8 flag, 1 paused
    kSaveTracks = 5,  // editor to demo
};

struct EditorMessage {
    uint8_t command = 0;
    uint32_t track = 0;
    uint32_t row = 0;
    float value = 0;
    uint8_t flag = 0;  // the key's type, or the pause flag
};

// Reads the message at the front of `bytes`: the bytes it takes, 0 when it has not all come yet,
// or -1 when it cannot be one (an unknown command or key type), with `problem` saying why.
int ReadEditorMessage(const unsigned char* bytes, size_t size, EditorMessage& message,
                      std::string& problem);

// The demo's messages, appended to `out`.
void WriteGetTrack(const std::string& name, std::vector<unsigned char>& out);
void WriteSetRow(int32_t row, std::vector<unsigned char>& out);

// What the editor asked of the demo since the last poll, for demohost-live to carry out.
struct EditorRequests {
    std::optional<bool> pause;
    std::optional<int32_t> row;  // the last row it set
    bool save = false;
};

// Carries out one message of the editor, of the `asked` tracks asked for: keys are set in the
// tracks, the other requests gathered in `requests`, and the row it set kept in `row_told`.
// False with `problem` when it cannot be (a key for a track never asked for, a row out of range).
bool ApplyEditorMessage(const EditorMessage& message, size_t asked, EditorRequests& requests,
                        int32_t& row_told, std::string& problem);
