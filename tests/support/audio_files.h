// Sound files made by the tests: sines written with libsndfile, and ID3v1 tags appended.
#pragma once

#include <string>
#include <vector>

// The tests' temporary folder with `/` between names, so that a path can go into a script's
// string as it is (Windows writes `\`).
std::string ScriptTempDir();
// A WAV file of `seconds` of a sine at `frequency` Hz with peak `amplitude`, as 32-bit floats.
std::string WriteSine(const std::string& name, double seconds, double frequency, double amplitude,
                      int rate = 44100, int channels = 1);
// A mono WAV file of one tone after another, each `seconds` long with peak `amplitude`.
std::string WriteTones(const std::string& name, const std::vector<double>& frequencies,
                       double seconds, double amplitude);
// A mono WAV file of `seconds`, silent but for a sine `length` seconds long from each of `starts`.
std::string WriteBursts(const std::string& name, double seconds, const std::vector<double>& starts,
                        double length, double frequency, double amplitude);
// A mono WAV file of `seconds`, silent but for a sine from `from` to `to` seconds.
std::string WriteBurst(const std::string& name, double seconds, double from, double to,
                       double frequency, double amplitude);
// A WAV file of `channels` channels, silent but for a sine on channel `channel` (from 0).
std::string WriteSineOnChannel(const std::string& name, int channels, int channel,
                               double frequency, double amplitude);
// A mono WAV file of `seconds` of white noise at full scale, the same every time.
std::string WriteNoise(const std::string& name, double seconds);
// Appends a 128-byte ID3v1 block with the given fields (cut to 30 bytes).
void AppendId3v1(const std::string& path, const std::string& title, const std::string& artist);
