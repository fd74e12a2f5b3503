// The operating system as demohost uses it: files read whole, the program's own path, fresh
// names, the main thread's stack and the heap, the monotonic clock, watching folders and
// non-blocking TCP sockets. One side per system implements it (posix_*.cpp here); code above this
// layer includes no system header. State: none here; a folder watch is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Opens `path` for reading when it is a regular file (after following links); -1 otherwise, with
// errno telling why (0 when the path names something that is no regular file). Never blocks.
int OpenRegularFd(const char* path);
// The same as a stream, in binary mode; null otherwise.
FILE* OpenRegularFile(const char* path);
// Renames `from` over `to` in one step, so that a reader of `to` sees the old file or the new one;
// false with errno set when it cannot.
bool MoveFileOver(const std::string& from, const std::string& to);
// The next byte of a stream that only this thread reads, without taking its lock each time.
inline int ReadByteUnlocked(FILE* file)
{
#if defined(_WIN32)
    return _getc_nolock(file);
#else
    return getc_unlocked(file);
#endif
}

// Before anything is printed: lines reach a pipe or a terminal as they are printed, so readers see
// the script's and the host's output in order; a program without a console of its own that was
// started from a terminal prints to that terminal.
void PrepareOutput();

// A function the program carries under `name` (one it exports for scripts' modules); null when
// it has none.
void* ProgramSymbol(const char* name);

// The running program's own file; empty when the system does not tell.
std::string RunningProgramPath();
// A name nothing else on the machine has taken: letters and digits, for file names.
std::string FreshName();

// The main thread's stack may grow to at least `bytes` from now on, where the system allows.
void RaiseStackLimit(size_t bytes);
// Freed memory stays with the process instead of going back to the system at once.
void KeepFreedMemory();

// Nanoseconds on a clock that never goes back, from any start; and a sleep on it.
uint64_t MonotonicNanoseconds();
void SleepNanoseconds(uint64_t nanoseconds);

// A folder and every folder below it watched for changes, those made later included.
struct FolderWatch;
// Null when the folder cannot be watched.
FolderWatch* OpenFolderWatch(const std::string& folder);
// Appends the paths changed since the last read, without waiting: a file saved in place or
// renamed over, made, removed or moved (a change to a folder itself gives the folder's path, a
// change that cannot be placed an empty one).
void ReadFolderChanges(FolderWatch* watch, std::vector<std::string>& paths);
void CloseFolderWatch(FolderWatch* watch);

// TCP sockets that never wait; kNoSocket is none.
using Socket = intptr_t;
const Socket kNoSocket = -1;
// The addresses of a host and port, in the order to try them.
struct NetAddresses;
// Null with `error` when the name cannot be looked up (this may wait for the resolver).
NetAddresses* ResolveAddresses(const std::string& host, const std::string& port,
                               std::string& error);
void FreeAddresses(NetAddresses* addresses);
size_t AddressCount(const NetAddresses* addresses);
// Starts connecting to address `index`; kNoSocket when that fails at once.
Socket StartConnecting(const NetAddresses* addresses, size_t index);
// 1 once connected, 0 while still connecting, -1 when the connection failed.
int ConnectionState(Socket socket);
// Bytes read into `buffer`: 0 when none has come, -1 when the connection has ended.
long ReceiveNow(Socket socket, void* buffer, size_t size);
// Bytes sent: 0 when the socket takes none now, -1 with `error` when it failed.
long SendNow(Socket socket, const void* bytes, size_t size, std::string& error);
void CloseSocket(Socket socket);
