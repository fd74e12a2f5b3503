// Opening only regular files, without blocking on FIFOs.

#include "regular_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFd(const char* path)
{
    if (!path)
        return -1;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = 0;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

FILE* OpenRegularFile(const char* path)
{
    int fd = OpenRegularFd(path);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}
