// The spectrum's transform through FFTW.

#include "audio/real_fft.h"

#include <fftw3.h>

#include <cmath>

static struct {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
} fftw;

float* FftInput()
{
    if (!fftw.plan) {
        fftw.input = fftwf_alloc_real(kFftSize);
        fftw.output = fftwf_alloc_complex(kFftSize / 2 + 1);
        fftw.plan = fftwf_plan_dft_r2c_1d(kFftSize, fftw.input, fftw.output, FFTW_ESTIMATE);
    }
    return fftw.input;
}

void FftMagnitudes(float out[kSpectrumSize])
{
    fftwf_execute(fftw.plan);
    for (int k = 0; k < kSpectrumSize; k++)
        out[k] = std::hypot(fftw.output[k][0], fftw.output[k][1]);
}
