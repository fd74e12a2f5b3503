// The POSIX side of the platform layer for files, the program, the stack, the heap and the clock.

#include "platform/platform.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

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

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

void PrepareOutput()
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
}

void* ProgramSymbol(const char* name)
{
    return dlsym(RTLD_DEFAULT, name);
}

std::string RunningProgramPath()
{
    std::error_code failed;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    return failed ? std::string() : self.string();
}

// The name of a new temporary file, which is removed at once.
std::string FreshName()
{
    char path[] = "/tmp/runXXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        close(fd);
        unlink(path);
    }
    return std::string(path).substr(5);
}

// The main thread's stack may grow up to the limit in force when it grows (the kernel leaves at
// least 128 MiB for it below the mapped libraries), so raising the limit is enough.
void RaiseStackLimit(size_t bytes)
{
    // RLIM_INFINITY is the largest value: an unlimited stack needs nothing.
    rlimit limit;
    if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur >= bytes)
        return;
    limit.rlim_cur = std::min(static_cast<rlim_t>(bytes), limit.rlim_max);
    setrlimit(RLIMIT_STACK, &limit);
}

void KeepFreedMemory()
{
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
}

uint64_t MonotonicNanoseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

void SleepNanoseconds(uint64_t nanoseconds)
{
    timespec pause{static_cast<time_t>(nanoseconds / 1000000000u),
                   static_cast<long>(nanoseconds % 1000000000u)};
    nanosleep(&pause, nullptr);
}
