// Opening files that the program reads whole: only regular files, so that a FIFO or a device
// given as a font, shader, image or music path is refused at once instead of blocking or never
// ending.
#pragma once

#include <cstdio>

// Opens `path` for reading when it is a regular file (after following links); -1 otherwise, with
// errno telling why (0 when the path names something that is no regular file). Never blocks.
int OpenRegularFd(const char* path);
// The same as a stream, in binary mode; null otherwise.
FILE* OpenRegularFile(const char* path);
