// The Windows side of the platform layer for files, the program, the stack, the heap and the
// clock. Paths are UTF-8 and reach the system as UTF-16.

#include "platform/platform.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

// UTF-8 to the system's UTF-16; empty for null.
static std::wstring Wide(const char* text)
{
    if (!text)
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

static std::string Narrow(const wchar_t* wide)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    return text;
}

int OpenRegularFd(const char* path)
{
    if (!path)
        return -1;
    std::wstring wide = Wide(path);
    int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        // Windows refuses to open a folder at all ("permission denied"): it is no regular file.
        DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            errno = 0;
        return -1;
    }
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0 || !(info.st_mode & _S_IFREG)) {
        _close(fd);
        errno = 0;
        return -1;
    }
    return fd;
}

FILE* OpenRegularFile(const char* path)
{
    int fd = OpenRegularFd(path);
    if (fd < 0)
        return nullptr;
    FILE* file = _fdopen(fd, "rb");
    if (!file)
        _close(fd);
    return file;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    if (MoveFileExW(Wide(from.c_str()).c_str(), Wide(to.c_str()).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = GetLastError() == ERROR_FILE_NOT_FOUND ? ENOENT : EACCES;
    return false;
}

// The C runtime has no line buffering: output is written as it comes. It is written in binary,
// so that a line ends in "\n" as on other systems, not "\r\n".
void PrepareOutput()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        freopen("CONOUT$", "w", stdout);
        freopen("CONOUT$", "w", stderr);
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    setvbuf(stdout, nullptr, _IONBF, 0);
}

// An executable exports nothing to the modules a script loads, so the program's functions for
// them live in the engine's DLL, the module that holds this function.
void* ProgramSymbol(const char* name)
{
    HMODULE engine = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ProgramSymbol), &engine))
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(engine, name));
}

std::string RunningProgramPath()
{
    wchar_t path[32768];
    DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0])
        return {};
    std::string program = Narrow(path);
    for (char& c : program)
        if (c == '\\')
            c = '/';
    return program;
}

// "run" and hex digits of the process, the counter of high resolution and a count of the calls:
// a temporary file's name would come again as soon as the file is gone.
std::string FreshName()
{
    static std::atomic<unsigned> calls{0};
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char name[64];
    snprintf(name, sizeof name, "run%lx%llx%x", static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<unsigned long long>(now.QuadPart), calls.fetch_add(1));
    return name;
}

// The stack's size is set when the program is linked (--stack).
void RaiseStackLimit(size_t) {}

// The C runtime's heap keeps what is freed.
void KeepFreedMemory() {}

uint64_t MonotonicNanoseconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    uint64_t ticks = static_cast<uint64_t>(count.QuadPart);
    uint64_t rate = static_cast<uint64_t>(frequency.QuadPart);
    return ticks / rate * 1000000000u + ticks % rate * 1000000000u / rate;
}

void SleepNanoseconds(uint64_t nanoseconds)
{
    Sleep(static_cast<DWORD>((nanoseconds + 999999) / 1000000));
}
