// Watching the files below a folder with inotify.

#include "live/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

// A save in place ends with the file closed after writing; a save by rename ends with the new
// file moved in; a file made, removed or moved away is a change too.
static const uint32_t kChanges =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB;

FileWatch::~FileWatch()
{
    if (fd_ >= 0)
        close(fd_);
}

bool FileWatch::Open(const std::string& folder)
{
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return false;
    AddFolder(folder);
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_directory(error))
            AddFolder(it->path().string());
    return true;
}

void FileWatch::AddFolder(const std::string& folder)
{
    int watch = inotify_add_watch(fd_, folder.c_str(), kChanges);
    if (watch >= 0)
        folders_[watch] = folder;
}

// The same path written either way, for comparing.
static std::string Normal(const std::filesystem::path& path)
{
    return std::filesystem::absolute(path).lexically_normal().string();
}

void FileWatch::ReadChanges(double now, const std::vector<std::string>& own)
{
    alignas(inotify_event) char buffer[8192];
    ssize_t length;
    while (fd_ >= 0 && (length = read(fd_, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + length;) {
            auto* event = reinterpret_cast<inotify_event*>(p);
            // A folder made below a watched one is watched too.
            if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && (event->mask & IN_ISDIR) &&
                event->len > 0 && folders_.count(event->wd))
                AddFolder(folders_[event->wd] + "/" + event->name);
            bool mine = !own.empty() && event->len > 0 && folders_.count(event->wd) &&
                        std::count(own.begin(), own.end(),
                                   Normal(folders_[event->wd] + "/" + event->name));
            if (!mine)
                last_change_ = now;
            p += sizeof(inotify_event) + event->len;
        }
    }
}

void FileWatch::DropOwnWrites(const std::vector<std::string>& paths, double now)
{
    std::vector<std::string> own;
    for (const std::string& path : paths)
        own.push_back(Normal(path));
    ReadChanges(now, own);
}

bool FileWatch::Settled(double now, double settle_seconds)
{
    ReadChanges(now, {});
    if (last_change_ < 0 || now - last_change_ < settle_seconds)
        return false;
    last_change_ = -1;
    return true;
}
