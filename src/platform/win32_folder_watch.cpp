// The Windows side of the platform layer for watching folders: the folder's change notifications
// (ReadDirectoryChangesW over the whole tree), read without waiting.

#include "platform/platform.h"

#include <windows.h>

struct FolderWatch {
    std::string folder;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped = {};
    alignas(DWORD) unsigned char buffer[64 * 1024];
};

// A save in place or by rename, a file made, removed or moved, a folder made: each is a change.
static const DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                              FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE |
                              FILE_NOTIFY_CHANGE_ATTRIBUTES;

static bool StartReading(FolderWatch& watch)
{
    ResetEvent(watch.overlapped.hEvent);
    return ReadDirectoryChangesW(watch.handle, watch.buffer, sizeof watch.buffer, TRUE, kChanges,
                                 nullptr, &watch.overlapped, nullptr);
}

FolderWatch* OpenFolderWatch(const std::string& folder)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, folder.c_str(), -1, wide.data(), length);
    HANDLE handle = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    auto* watch = new FolderWatch;
    watch->folder = folder;
    watch->handle = handle;
    watch->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!watch->overlapped.hEvent || !StartReading(*watch)) {
        CloseFolderWatch(watch);
        return nullptr;
    }
    return watch;
}

// The changes in the buffer, as paths below the folder with `/` between their parts.
static void AddChanges(const FolderWatch& watch, DWORD bytes, std::vector<std::string>& paths)
{
    // No bytes: the changes did not fit, and cannot be placed.
    if (bytes == 0) {
        paths.emplace_back();
        return;
    }
    for (DWORD offset = 0;;) {
        auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(watch.buffer + offset);
        int characters = static_cast<int>(change->FileNameLength / sizeof(WCHAR));
        int length = WideCharToMultiByte(CP_UTF8, 0, change->FileName, characters, nullptr, 0,
                                         nullptr, nullptr);
        std::string name(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(CP_UTF8, 0, change->FileName, characters, name.data(), length,
                            nullptr, nullptr);
        for (char& c : name)
            if (c == '\\')
                c = '/';
        paths.push_back(watch.folder + "/" + name);
        if (change->NextEntryOffset == 0)
            return;
        offset += change->NextEntryOffset;
    }
}

void ReadFolderChanges(FolderWatch* watch, std::vector<std::string>& paths)
{
    DWORD bytes = 0;
    while (watch && GetOverlappedResult(watch->handle, &watch->overlapped, &bytes, FALSE)) {
        AddChanges(*watch, bytes, paths);
        if (!StartReading(*watch))
            return;
    }
}

void CloseFolderWatch(FolderWatch* watch)
{
    if (!watch)
        return;
    if (watch->handle != INVALID_HANDLE_VALUE) {
        // The read in flight ends before its buffer goes.
        DWORD bytes = 0;
        if (CancelIoEx(watch->handle, &watch->overlapped) || GetLastError() != ERROR_NOT_FOUND)
            GetOverlappedResult(watch->handle, &watch->overlapped, &bytes, TRUE);
        CloseHandle(watch->handle);
    }
    if (watch->overlapped.hEvent)
        CloseHandle(watch->overlapped.hEvent);
    delete watch;
}
