// The audio output of demohost and demohost-live: the device plays on its own thread and keeps
// its own time.
#pragma once

#include "audio/audio_device.h"
#include "frame_pieces.h"

class DeviceAudio : public AudioOutput {
public:
    void Open() override { OpenAudioDevice(); }
    void FramePlayed() override {}
    void Close() override { CloseAudioDevice(); }
};
