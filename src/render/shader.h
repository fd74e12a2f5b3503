// GLSL programs loaded from files with [vertex] and [fragment] sections, selected for the
// drawing that follows. State: the table of programs (25 slots, filled in load order, kept until the
// process ends or a reload replaces the state that loaded them), and the table set aside during
// a reload.
#pragma once

#include <string>
#include <vector>

// A reload: the running state's programs are set aside (the fixed-function pipeline selected)
// and the table starts empty; then either they are freed (the new state started) or the new
// state's are freed and they come back with the program that was selected.
void SetShadersAside();
void ReleaseShadersAside();
void PutShadersBack();

// A section's source holds at most this many characters, line breaks included.
const size_t kMaxShaderSource = 102399;

// Loads the next slot from `path` and returns its handle (1..25), also when the file could not
// be read or compiled; 0 when the table is full or no GL context exists.
int LoadShader(const char* path);
void LoadShaderFile(int slot, const char* path);
// Reads the two sections' sources, each line with its line break; false when the file cannot be
// opened or is not a regular file. A section longer than kMaxShaderSource is cut, with a message.
// `lines`, when given, gets the file's line number of each line of the two sources.
struct ShaderFileLines {
    std::vector<int> vertex, fragment;
};
bool ReadShaderFile(const char* path, std::string& vertex, std::string& fragment,
                    ShaderFileLines* lines = nullptr);
// The compiler's messages with the file's line numbers: "0:3(12): error: ..." of a section
// whose line 3 is the file's line 14 reads "PATH:14:12: error: ..."; other lines stay.
std::string WithFileLines(const std::string& path, const std::string& log,
                          const std::vector<int>& lines);
// Selects the program of `handle` (below 1: fixed function), flushing pending geometry first.
void SetShader(int handle);
void SetShaderParami(int handle, const char* name, int value);
void SetShaderParamf(int handle, const char* name, float value);
// Sets the float, vec2, vec3 or vec4 uniform `name` (`count` 1 to 4 of `values`) of the program in
// use, without flushing, as SetShaderParamf does; nothing without one.
void SetUniform(const char* name, const float* values, int count);
