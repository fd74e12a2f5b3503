// Music: looping playback with end and sync events, the volume, and the spectrum.

#include "audio/music.h"

#include "problems.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unordered_map>

// Events from the audio thread, taken out by the frame loop under the same mutex.
struct SyncQueue {
    std::mutex mutex;
    bool music_ended = false;
    // In arrival order; null stands for a sync point without a name.
    std::vector<const std::string*> pending_sync_names;
};

static SyncQueue sync_queue;
// The last music started (the one the spectrum reads and the module's functions move), its
// spectrum as last analysed, and its position as read for the frame that runs.
static struct {
    AudioStream* channel = nullptr;
    float spectrum[kSpectrumSize] = {};
    bool held = false;  // the frame's position was read and nothing moved the music since
    bool playing = false;
    double position = 0, length = 0;
} music;

// Sync names are copied when set and kept for the life of the process, like the streams whose
// events carry them. A deque never moves its elements.
static std::deque<std::string> sync_names;

// The audio thread must not wait for the frame loop, even for the moment it takes the events
// out: an event that finds the mutex taken is raised again later.
static bool MusicEndCallback(void*)
{
    std::unique_lock<std::mutex> lock(sync_queue.mutex, std::try_to_lock);
    if (!lock)
        return false;
    sync_queue.music_ended = true;
    return true;
}

static bool MusicSyncCallback(void* name)
{
    std::unique_lock<std::mutex> lock(sync_queue.mutex, std::try_to_lock);
    if (!lock)
        return false;
    sync_queue.pending_sync_names.push_back(static_cast<const std::string*>(name));
    return true;
}

// A stream's sync points: the frame and the name (null: none) of each, in table order.
struct SyncTable {
    std::vector<int64_t> positions;
    std::vector<void*> names;
};

// Music that goes on through a reload of the script (demohost-live). Each stream made keeps its
// path and sync points; while a reload runs, the streams that were playing wait to be taken over.
static struct {
    std::unordered_map<AudioStream*, std::string> paths;
    std::unordered_map<AudioStream*, SyncTable> tables;
    bool carrying = false;
    std::vector<AudioStream*> carried;  // playing when the reload began, not yet taken over
    std::vector<AudioStream*> taken;    // taken over by the new state
    std::vector<AudioStream*> started;  // started anew by the new state
    AudioStream* channel = nullptr;     // music.channel when the reload began
    MusicEvents pending;                // events the old state had not been given yet
    double start_at = 0;                // where streams that start anew begin
} music_carry;

// The points passed at once, in time order, queued for the next delivery.
static void QueuePassed(const std::vector<void*>& passed)
{
    std::lock_guard<std::mutex> lock(sync_queue.mutex);
    for (void* name : passed)
        sync_queue.pending_sync_names.push_back(static_cast<const std::string*>(name));
}

static SyncTable MakeSyncTable(AudioStream* stream, const std::vector<SyncPoint>& syncs)
{
    SyncTable table;
    for (const SyncPoint& sync : syncs) {
        const std::string* name = nullptr;
        if (sync.name)
            name = &sync_names.emplace_back(*sync.name);
        table.positions.push_back(SecondsToPosition(stream, sync.time));
        table.names.push_back(const_cast<std::string*>(name));
    }
    return table;
}

// A carried stream of `path`, taken over with new sync points; null when there is none.
static AudioStream* TakeOver(const char* path, const std::vector<SyncPoint>& syncs)
{
    for (auto it = music_carry.carried.begin(); it != music_carry.carried.end(); ++it) {
        AudioStream* stream = *it;
        if (music_carry.paths.at(stream) != path)
            continue;
        music_carry.carried.erase(it);
        music_carry.taken.push_back(stream);
        SyncTable& table = music_carry.tables[stream] = MakeSyncTable(stream, syncs);
        std::vector<void*> passed;
        ReplacePositionEvents(stream, table.positions, MusicSyncCallback, table.names, passed);
        QueuePassed(passed);
        return stream;
    }
    return nullptr;
}

std::optional<Id3Tag> PlayMusic(const char* path, const std::vector<SyncPoint>& syncs)
{
    music.held = false;
    if (music_carry.carrying && path) {
        if (AudioStream* stream = TakeOver(path, syncs)) {
            music.channel = stream;
            return ReadId3v1(path);
        }
    }
    std::string error;
    music.channel = CreateFileStream(path, error);
    if (!music.channel) {
        if (!error.empty())
            PrintProblem("Music loading error: %s%s%s\n", error.c_str(), path ? ": " : "",
                         path ? path : "");
        return std::nullopt;
    }
    SetEndEvent(music.channel, MusicEndCallback, nullptr);
    SyncTable& table = music_carry.tables[music.channel] = MakeSyncTable(music.channel, syncs);
    for (size_t i = 0; i < table.positions.size(); i++)
        SetPositionEvent(music.channel, table.positions[i], MusicSyncCallback, table.names[i]);
    music_carry.paths[music.channel] = path;
    std::vector<void*> passed;
    StartStream(music.channel, music_carry.start_at, &passed);
    QueuePassed(passed);
    if (music_carry.carrying)
        music_carry.started.push_back(music.channel);
    return ReadId3v1(path);
}

void StartMusicAt(double seconds)
{
    music_carry.start_at = seconds;
}

void SetMusicAside()
{
    music.held = false;
    music_carry.carrying = true;
    music_carry.carried = PlayingStreams();
    music_carry.taken.clear();
    music_carry.started.clear();
    music_carry.channel = music.channel;
    TakeMusicEvents(music_carry.pending);
}

void ReleaseMusicAside()
{
    music_carry.carrying = false;
    for (AudioStream* stream : music_carry.carried)
        StopStream(stream);
}

void PutMusicBack()
{
    music.held = false;
    music_carry.carrying = false;
    for (AudioStream* stream : music_carry.started)
        StopStream(stream);
    for (AudioStream* stream : music_carry.taken) {
        const SyncTable& table = music_carry.tables.at(stream);
        std::vector<void*> passed;
        ReplacePositionEvents(stream, table.positions, MusicSyncCallback, table.names, passed);
    }
    music.channel = music_carry.channel;
    std::lock_guard<std::mutex> lock(sync_queue.mutex);
    sync_queue.music_ended = music_carry.pending.ended;
    sync_queue.pending_sync_names = music_carry.pending.sync_names;
}

void TakeMusicEvents(MusicEvents& out)
{
    out.sync_names.clear();
    std::lock_guard<std::mutex> lock(sync_queue.mutex);
    out.ended = sync_queue.music_ended;
    sync_queue.music_ended = false;
    std::swap(out.sync_names, sync_queue.pending_sync_names);
}

void SetVolume(float volume)
{
    SetStreamVolume(music.channel, volume);
}

// The position of the last music started, read now.
static bool ReadMusicPosition(double& position, double& length)
{
    if (!music.channel || !StreamPlaying(music.channel))
        return false;
    position = StreamPosition(music.channel);
    length = StreamSeconds(music.channel);
    return true;
}

bool HoldMusicPosition(double& position, double& length)
{
    music.playing = ReadMusicPosition(music.position, music.length);
    music.held = true;
    return MusicPosition(position, length);
}

bool MusicPosition(double& position, double& length)
{
    if (!music.held)
        return ReadMusicPosition(position, length);
    position = music.position;
    length = music.length;
    return music.playing;
}

void SeekMusic(double seconds)
{
    music.held = false;
    if (StreamPlaying(music.channel))
        SeekStream(music.channel, seconds);
}

void PauseMusic(bool paused)
{
    music.held = false;
    PauseStream(music.channel, paused);
}

void StopMusic()
{
    music.held = false;
    StopStream(music.channel);
}

const float* AnalyzeSpectrum()
{
    GetStreamSpectrum(music.channel, music.spectrum);
    return music.spectrum;
}

void PauseAllMusic(bool paused)
{
    music.held = false;
    for (AudioStream* stream : PlayingStreams())
        PauseStream(stream, paused);
}

void MoveAllMusic(double seconds)
{
    music.held = false;
    for (AudioStream* stream : PlayingStreams())
        SeekStream(stream, std::max(0.0, StreamPosition(stream) + seconds));
}
