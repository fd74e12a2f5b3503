// The spectrum of a stream: the last samples heard, under a Hann window, through the real
// transform of real_fft.h. State: the window.

#include "audio/mixer.h"
#include "audio/real_fft.h"
#include "audio/stream.h"

#include <cmath>

// The Hann window, made at the first request.
static struct {
    float window[kFftSize] = {};
    float window_sum = 0;
} hann;

static void MakeWindow()
{
    for (int i = 0; i < kFftSize; i++) {
        hann.window[i] = 0.5f - 0.5f * std::cos(2 * static_cast<float>(M_PI) * i / kFftSize);
        hann.window_sum += hann.window[i];
    }
}

bool GetStreamSpectrum(AudioStream* stream, float out[kSpectrumSize])
{
    if (!stream || !MixerTakesStreams())
        return false;
    if (hann.window_sum == 0)
        MakeWindow();
    float* input = FftInput();

    LockMixer();
    // The last samples heard end where the blocks still in the device begin.
    auto in_device = static_cast<size_t>(FramesInDevice());
    size_t first = stream->history_next + 2 * kHistorySize - in_device - kFftSize;
    for (int i = 0; i < kFftSize; i++)
        input[i] = stream->history[(first + i) % kHistorySize] * hann.window[i];
    UnlockMixer();

    FftMagnitudes(out);
    for (int k = 0; k < kSpectrumSize; k++)
        out[k] = out[k] * 2 / hann.window_sum;
    return true;
}
