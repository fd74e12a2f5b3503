// Watching the files below a folder for demohost-live: a file saved in place and a file written
// anew and renamed over the old one both count as a change, once it has settled. State: the
// FileWatch (the platform's watch and when the last change came).
#pragma once

#include <string>
#include <vector>

struct FolderWatch;

class FileWatch {
public:
    FileWatch() = default;
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;
    ~FileWatch();

    // Watches `folder` and every folder below it (and those made later); false when it cannot.
    bool Open(const std::string& folder);
    // Reads what has happened without waiting; true once, when changes were seen and none has
    // come for `settle_seconds` by `now` (seconds on any steady clock).
    bool Settled(double now, double settle_seconds);
    // Reads what has happened now, and drops the changes to `paths` (files the program has just
    // written itself), so that they make no reload.
    void DropOwnWrites(const std::vector<std::string>& paths, double now);

private:
    // Reads what has happened; a change to one of `own` is not counted.
    void ReadChanges(double now, const std::vector<std::string>& own);
    FolderWatch* watch_ = nullptr;
    std::vector<std::string> changed_;  // kept from read to read, so that reading stops allocating
    double last_change_ = -1;           // when the last unsettled change was seen, -1: none
};
