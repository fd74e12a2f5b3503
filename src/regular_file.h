// Opening files that the program reads whole: only regular files, so that a FIFO or a device
// given as a font, shader, image or music path is refused at once instead of blocking or never
// ending.
#pragma once

#include <cstdio>

// True when `path` names a regular file (after following links).
bool IsRegularFile(const char* path);
// Opens `path` for reading in binary mode when it is a regular file; null otherwise. Opening never
// blocks.
FILE* OpenRegularFile(const char* path);
