// Opening only regular files, without blocking on FIFOs.

#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsRegularFile(const char* path)
{
    struct stat info;
    return path && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

FILE* OpenRegularFile(const char* path)
{
    if (!path)
        return nullptr;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}
