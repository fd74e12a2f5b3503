// The audio output of demohost-capture: no device; after each frame the music of exactly that
// frame's span is mixed (44100 / fps samples, the remainder carried) and handed to the encoder.
#pragma once

#include "audio/audio_device.h"
#include "capture/encoder.h"
#include "frame_pieces.h"

#include <vector>

class OfflineAudio : public AudioOutput {
public:
    OfflineAudio(int fps, Encoder& encoder) : fps_(fps), encoder_(encoder) {}
    void Open() override;
    void FramePlayed() override;
    void Close() override;
    // Whether the first music started has played to its end.
    bool FirstMusicEnded() const { return FirstStreamHasEnded(); }

private:
    int fps_;
    Encoder& encoder_;
    int64_t frames_played_ = 0;
    std::vector<float> block_;
};
