// Tracks: named values keyed to rows of the music, each a list of keys with an interpolation per
// key, read by scripts at the current row. The keys come from the sync editor while
// demohost-live is connected to it, and otherwise from the script (host.keys) or else from one
// file per track. State: the track table, the row rate, the files' prefix and the row's clock,
// in tracks.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a key's value goes on to the next key's.
enum class KeyType : uint8_t { kStep = 0, kLinear = 1, kSmooth = 2, kRamp = 3 };
const int kKeyTypes = 4;

struct TrackKey {
    int32_t row;
    float value;
    KeyType type;
};

struct Track {
    std::string name;
    std::vector<TrackKey> keys;  // by row, each row once: the ones played
    std::vector<TrackKey> script_keys;
    bool from_script = false;    // the script gave keys, which stand in for the file's
    bool told_empty = false;     // "has no keys" was printed
};

// The most tracks a script may ask for.
const int kMaxTracks = 4096;

// The value of a track of these keys at `row` (fractional): 0 without keys, the first key's
// value before it, the last one's after it, and between two keys the first key's interpolation.
double TrackValue(const std::vector<TrackKey>& keys, double row);

// Sets the row rate (`bpm / 60 * rows_per_beat` rows a second) and the files' prefix. Tracks read
// from the files of another prefix are read again from the new one when next asked for.
void SetTrackTiming(double bpm, double rows_per_beat, const std::string& prefix);
// The row's clock for the frame about to run.
void SetTrackTime(double seconds);
// The row at the row's clock. Within a thousandth of a whole row it is that row, so that frame
// k at the row rate, or music moved to a row (to a whole sample), reads that row despite rounding.
double CurrentRow();
// The current row in beats.
double CurrentBeat();
// The value of track `track` at the current row. A track without keys, away from the editor, is
// named once: `track "NAME" has no keys`.
double TrackValueNow(int track);
// The tracks in the order they were first asked for (the editor numbers them so), each with its
// keys; the row rate in rows a second; the files' prefix.
const std::vector<Track>& AllTracks();
double RowsPerSecond();
const std::string& TrackPrefix();
// The number of the track named `name`, added (with its file's keys unless from_editor) when new;
// -1 when the table is full.
int FindTrack(std::string_view name);

// While true (demohost-live connected to the editor), new tracks start without keys, to be asked
// of the editor, and a new prefix reads no files.
void SetTracksFromEditor(bool from_editor);

// Sets (or replaces) the key at `key.row` of track `track`; removes the key at `row`.
void SetTrackKey(int track, TrackKey key);
void DeleteTrackKey(int track, int32_t row);
void ClearTrackKeys(int track);
// The script's keys of track `track` (by row, each row once), played while no editor is connected.
void SetScriptKeys(int track, std::vector<TrackKey> keys);
// What the editor's save writes for a track: the keys it has, or the script's when the editor
// gave it none.
const std::vector<TrackKey>& KeysToSave(const Track& track);

// The file of a track: the prefix, `_`, the name with every character but letters, digits, `.`,
// `_` and `/` written as `-` and two upper-case hex digits, and `.track`.
std::string TrackFilePath(const std::string& prefix, std::string_view name);
// Reads a track file: little-endian i32 key count, then per key i32 row, f32 value and u8 type.
// A missing file gives no keys quietly; a bad one gives no keys and one line naming it.
std::vector<TrackKey> ReadTrackFile(const std::string& path);
// Writes it (through a new file renamed over the old); false with one line naming it when it
// cannot be written.
bool WriteTrackFile(const std::string& path, const std::vector<TrackKey>& keys);
