// The real forward transform behind the spectrum: FFTW where the system has it (real_fft_fftw.cpp),
// pocketfft on Windows (real_fft_pocketfft.cpp). State: the transform's plan and buffers, made at
// the first use. Not for outside the audio layer.
#pragma once

#include "audio/audio_device.h"

const int kFftSize = 2 * kSpectrumSize;

// The kFftSize samples to transform, to be filled before FftMagnitudes.
float* FftInput();
// The magnitudes of bins 0 to kSpectrumSize - 1 of the input's transform, unscaled.
void FftMagnitudes(float out[kSpectrumSize]);
