// The audio output of demohost-capture: the music mixed offline, one frame's samples at a time.

#include "capture/offline_audio.h"

#include "audio/audio_device.h"

void OfflineAudio::Open()
{
    OpenOfflineAudio();
    block_.resize(static_cast<size_t>(kAudioRate / fps_ + 1) * kAudioChannels);
}

// Frame k's samples run from k * 44100 / fps to (k + 1) * 44100 / fps, rounded down: no sample is
// lost or repeated, and the sound stays within a sample of the picture.
void OfflineAudio::FramePlayed()
{
    int64_t begin = frames_played_ * kAudioRate / fps_;
    frames_played_++;
    int count = static_cast<int>(frames_played_ * kAudioRate / fps_ - begin);
    MixOffline(block_.data(), count);
    encoder_.SubmitSamples(block_.data(), count);
}

void OfflineAudio::Close()
{
    CloseAudioDevice();
}
