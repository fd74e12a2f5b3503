// Music: looping playback with end and sync events, the volume, and the spectrum.

#include "audio/music.h"

#include <cstdio>
#include <deque>

SyncQueue sync_queue;
AudioStream* music_channel = nullptr;
float spectrum_buffer[kSpectrumSize];

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

std::optional<Id3Tag> PlayMusic(const char* path, const std::vector<SyncPoint>& syncs)
{
    std::string error;
    music_channel = CreateFileStream(path, error);
    if (!music_channel) {
        if (!error.empty() && path)
            printf("Music loading error: %s: %s\n", error.c_str(), path);
        else if (!error.empty())
            printf("Music loading error: %s\n", error.c_str());
        return std::nullopt;
    }
    SetEndEvent(music_channel, MusicEndCallback, nullptr);
    for (const SyncPoint& sync : syncs) {
        const std::string* name = nullptr;
        if (sync.name)
            name = &sync_names.emplace_back(*sync.name);
        SetPositionEvent(music_channel, SecondsToPosition(music_channel, sync.time),
                         MusicSyncCallback, const_cast<std::string*>(name));
    }
    StartStream(music_channel);
    return ReadId3v1(path);
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
    SetStreamVolume(music_channel, volume);
}

void AnalyzeSpectrum()
{
    GetStreamSpectrum(music_channel, spectrum_buffer);
}
