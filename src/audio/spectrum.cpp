// The spectrum of a stream: the last samples heard, under a Hann window, through FFTW. State: the
// transform's buffers, plan and window, made at the first request.

#include "audio/mixer.h"
#include "audio/stream.h"

#include <fftw3.h>

#include <cmath>

static const int kFftSize = 2 * kSpectrumSize;

static struct {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
    float window[kFftSize] = {};
    float window_sum = 0;
} fft;

static void MakeTransform()
{
    fft.input = fftwf_alloc_real(kFftSize);
    fft.output = fftwf_alloc_complex(kFftSize / 2 + 1);
    fft.plan = fftwf_plan_dft_r2c_1d(kFftSize, fft.input, fft.output, FFTW_ESTIMATE);
    for (int i = 0; i < kFftSize; i++) {
        fft.window[i] = 0.5f - 0.5f * std::cos(2 * static_cast<float>(M_PI) * i / kFftSize);
        fft.window_sum += fft.window[i];
    }
}

bool GetStreamSpectrum(AudioStream* stream, float out[kSpectrumSize])
{
    if (!stream || !MixerTakesStreams())
        return false;
    if (!fft.plan)
        MakeTransform();

    LockMixer();
    // The last samples heard end where the blocks still in the device begin.
    auto in_device = static_cast<size_t>(FramesInDevice());
    size_t first = stream->history_next + 2 * kHistorySize - in_device - kFftSize;
    for (int i = 0; i < kFftSize; i++)
        fft.input[i] = stream->history[(first + i) % kHistorySize] * fft.window[i];
    UnlockMixer();

    fftwf_execute(fft.plan);
    for (int k = 0; k < kSpectrumSize; k++)
        out[k] = std::hypot(fft.output[k][0], fft.output[k][1]) * 2 / fft.window_sum;
    return true;
}
