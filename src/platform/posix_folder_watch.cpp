// The POSIX side of the platform layer for watching folders: inotify, one watch per folder.

#include "platform/platform.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <map>

struct FolderWatch {
    int fd = -1;
    std::map<int, std::string> folders;  // by watch descriptor
};

// A save in place ends with the file closed after writing; a save by rename ends with the new
// file moved in; a file made, removed or moved away is a change too.
static const uint32_t kChanges =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB;

static void AddFolder(FolderWatch& watch, const std::string& folder)
{
    int descriptor = inotify_add_watch(watch.fd, folder.c_str(), kChanges);
    if (descriptor >= 0)
        watch.folders[descriptor] = folder;
}

FolderWatch* OpenFolderWatch(const std::string& folder)
{
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto* watch = new FolderWatch{fd, {}};
    AddFolder(*watch, folder);
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_directory(error))
            AddFolder(*watch, it->path().string());
    return watch;
}

void ReadFolderChanges(FolderWatch* watch, std::vector<std::string>& paths)
{
    alignas(inotify_event) char buffer[8192];
    ssize_t length;
    while (watch && (length = read(watch->fd, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + length;) {
            auto* event = reinterpret_cast<inotify_event*>(p);
            p += sizeof(inotify_event) + event->len;
            auto folder = watch->folders.find(event->wd);
            // Changes lost to a full queue are placed nowhere.
            if (folder == watch->folders.end()) {
                paths.emplace_back();
                continue;
            }
            std::string path = folder->second;
            if (event->len > 0)
                path += std::string("/") + event->name;
            // A folder made below a watched one is watched too.
            if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && (event->mask & IN_ISDIR) &&
                event->len > 0)
                AddFolder(*watch, path);
            paths.push_back(path);
        }
    }
}

void CloseFolderWatch(FolderWatch* watch)
{
    if (!watch)
        return;
    close(watch->fd);
    delete watch;
}
