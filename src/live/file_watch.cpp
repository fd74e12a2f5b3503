// Watching the files below a folder: the platform's changes, settled, less the program's own.

#include "live/file_watch.h"

#include "platform/platform.h"

#include <algorithm>
#include <filesystem>

FileWatch::~FileWatch()
{
    CloseFolderWatch(watch_);
}

bool FileWatch::Open(const std::string& folder)
{
    watch_ = OpenFolderWatch(folder);
    return watch_ != nullptr;
}

// The same path written either way, for comparing.
static std::string Normal(const std::filesystem::path& path)
{
    return std::filesystem::absolute(path).lexically_normal().string();
}

void FileWatch::ReadChanges(double now, const std::vector<std::string>& own)
{
    changed_.clear();
    ReadFolderChanges(watch_, changed_);
    for (const std::string& path : changed_) {
        bool mine = !own.empty() && !path.empty() &&
                    std::count(own.begin(), own.end(), Normal(path));
        if (!mine)
            last_change_ = now;
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
