// The track table and the values read from it.

#include "tracks/tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

static struct {
    double rows_per_second = 120.0 / 60 * 8;
    double rows_per_beat = 8;
    std::string prefix = "res/sync";
    std::vector<Track> tracks;
    std::map<std::string, int, std::less<>> by_name;
    // Seconds of the music heard (or the frame time) at the frame's start: the row's clock.
    double time = 0;
    // While connected, new tracks are asked of the editor instead of read from their files.
    bool from_editor = false;
} sync_tracks;

// The eased share of the way from one key to the next, for a share `t` of the rows.
static double Ease(KeyType type, double t)
{
    switch (type) {
    case KeyType::kStep: return 0;
    case KeyType::kLinear: return t;
    case KeyType::kSmooth: return t * t * (3 - 2 * t);
    case KeyType::kRamp: return t * t;
    }
    return 0;
}

double TrackValue(const std::vector<TrackKey>& keys, double row)
{
    if (keys.empty())
        return 0;
    // The key at or before the row's whole part.
    double whole = std::floor(row);
    auto after = std::upper_bound(keys.begin(), keys.end(), whole,
                                  [](double r, const TrackKey& key) { return r < key.row; });
    if (after == keys.begin())
        return keys.front().value;
    if (after == keys.end())
        return keys.back().value;
    const TrackKey& from = after[-1];
    // In double: rows far apart differ by more than an int holds.
    double t = (row - from.row) / (static_cast<double>(after->row) - from.row);
    return from.value + (after->value - from.value) * Ease(from.type, t);
}

void SetTrackTiming(double bpm, double rows_per_beat, const std::string& prefix)
{
    sync_tracks.rows_per_second = bpm / 60 * rows_per_beat;
    sync_tracks.rows_per_beat = rows_per_beat;
    if (prefix == sync_tracks.prefix)
        return;
    sync_tracks.prefix = prefix;
    if (sync_tracks.from_editor)
        return;
    for (Track& track : sync_tracks.tracks)
        if (!track.from_script)
            track.keys = ReadTrackFile(TrackFilePath(prefix, track.name));
}

void SetTrackTime(double seconds)
{
    sync_tracks.time = seconds;
}

double CurrentRow()
{
    double row = sync_tracks.time * sync_tracks.rows_per_second;
    double nearest = std::round(row);
    return std::fabs(row - nearest) < 1e-3 ? nearest : row;
}

double CurrentBeat()
{
    return CurrentRow() / sync_tracks.rows_per_beat;
}

int FindTrack(std::string_view name)
{
    auto found = sync_tracks.by_name.find(name);
    if (found != sync_tracks.by_name.end())
        return found->second;
    if (sync_tracks.tracks.size() >= kMaxTracks)
        return -1;
    Track track;
    track.name = name;
    if (!sync_tracks.from_editor)
        track.keys = ReadTrackFile(TrackFilePath(sync_tracks.prefix, name));
    int number = static_cast<int>(sync_tracks.tracks.size());
    sync_tracks.tracks.push_back(std::move(track));
    sync_tracks.by_name.emplace(name, number);
    return number;
}

void SetTracksFromEditor(bool from_editor)
{
    sync_tracks.from_editor = from_editor;
}

// The first key at or after `row`.
static std::vector<TrackKey>::iterator KeyAt(std::vector<TrackKey>& keys, int32_t row)
{
    return std::lower_bound(keys.begin(), keys.end(), row,
                            [](const TrackKey& key, int32_t r) { return key.row < r; });
}

void SetTrackKey(int track, TrackKey key)
{
    std::vector<TrackKey>& keys = sync_tracks.tracks[track].keys;
    auto at = KeyAt(keys, key.row);
    if (at != keys.end() && at->row == key.row)
        *at = key;
    else
        keys.insert(at, key);
}

void DeleteTrackKey(int track, int32_t row)
{
    std::vector<TrackKey>& keys = sync_tracks.tracks[track].keys;
    auto at = KeyAt(keys, row);
    if (at != keys.end() && at->row == row)
        keys.erase(at);
}

void ClearTrackKeys(int track)
{
    sync_tracks.tracks[track].keys.clear();
}

void SetScriptKeys(int track, std::vector<TrackKey> keys)
{
    Track& keyed = sync_tracks.tracks[track];
    keyed.script_keys = std::move(keys);
    keyed.from_script = true;
    if (!sync_tracks.from_editor)
        keyed.keys = keyed.script_keys;
}

const std::vector<TrackKey>& KeysToSave(const Track& track)
{
    return track.keys.empty() && track.from_script ? track.script_keys : track.keys;
}

double TrackValueNow(int track)
{
    Track& read = sync_tracks.tracks[track];
    // While connected the editor may yet send keys; otherwise an empty track is a likely typo.
    if (read.keys.empty() && !read.told_empty && !sync_tracks.from_editor) {
        read.told_empty = true;
        printf("track \"%s\" has no keys\n", read.name.c_str());
    }
    return TrackValue(read.keys, CurrentRow());
}

const std::vector<Track>& AllTracks()
{
    return sync_tracks.tracks;
}

double RowsPerSecond()
{
    return sync_tracks.rows_per_second;
}

const std::string& TrackPrefix()
{
    return sync_tracks.prefix;
}
