#!/usr/bin/env bash
# The spectrum's transform on Windows (pocketfft) beside FFTW's on Linux: both run over the same
# 200 inputs (noise and sines under the Hann window, 1024 points), scaled as the spectrum scales
# them, and the largest difference of the 512 magnitudes is printed. Builds pocketfft from
# ../shared/deps/. Run from the repository root.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
deps=${DEMOHOST_DEPS:-$root/../shared/deps}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
tar -xzf "$deps/pocketfft-c.tar.gz" -C "$dir"
cat >"$dir/compare.cpp" <<'CPP'
#include <fftw3.h>
extern "C" {
#include "pocketfft-c/pocketfft.h"
}
#include <cmath>
#include <cstdio>
#include <random>
int main()
{
    const int n = 1024;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1, 1);
    float* in = fftwf_alloc_real(n);
    fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    rfft_plan pocket = make_rfft_plan(n);
    float window[n], window_sum = 0;
    for (int i = 0; i < n; i++) {
        window[i] = 0.5f - 0.5f * std::cos(2 * static_cast<float>(M_PI) * i / n);
        window_sum += window[i];
    }
    double worst = 0;
    for (int input = 0; input < 200; input++) {
        double data[n];
        for (int i = 0; i < n; i++) {
            float x = input % 2 ? noise(random) : std::sin(0.05f * i * (input + 1));
            in[i] = data[i] = x * window[i];
        }
        fftwf_execute(plan);
        rfft_forward(pocket, data, 1.0);
        for (int k = 0; k < n / 2; k++) {
            double a = std::hypot(out[k][0], out[k][1]) * 2 / window_sum;
            double b = (k == 0 ? std::fabs(data[0]) : std::hypot(data[2 * k - 1], data[2 * k])) *
                       2 / window_sum;
            worst = std::fmax(worst, std::fabs(static_cast<float>(a) - static_cast<float>(b)));
        }
    }
    printf("pocketfft beside FFTW, largest difference of a magnitude: %.3g\n", worst);
}
CPP
gcc -O2 -c "$dir/pocketfft-c/pocketfft.c" -o "$dir/pocketfft.o"
g++ -O2 -I"$dir" "$dir/compare.cpp" "$dir/pocketfft.o" -lfftw3f -lm -o "$dir/compare"
"$dir/compare"
