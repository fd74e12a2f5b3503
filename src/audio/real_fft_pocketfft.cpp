// The spectrum's transform through pocketfft, in double precision.

#include "audio/real_fft.h"

extern "C" {
#include <pocketfft/pocketfft.h>
}

#include <cmath>

static struct {
    float input[kFftSize] = {};
    double data[kFftSize] = {};
    rfft_plan plan = nullptr;
} pocket;

float* FftInput()
{
    if (!pocket.plan)
        pocket.plan = make_rfft_plan(kFftSize);
    return pocket.input;
}

// The transform comes back as r0, r1, i1, r2, i2, ..., r(n/2).
void FftMagnitudes(float out[kSpectrumSize])
{
    for (int i = 0; i < kFftSize; i++)
        pocket.data[i] = pocket.input[i];
    rfft_forward(pocket.plan, pocket.data, 1.0);
    out[0] = static_cast<float>(std::fabs(pocket.data[0]));
    for (int k = 1; k < kSpectrumSize; k++)
        out[k] = static_cast<float>(std::hypot(pocket.data[2 * k - 1], pocket.data[2 * k]));
}
