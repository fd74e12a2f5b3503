// The file watcher: a file saved in place and one renamed over another count once the changes
// have settled; a folder made later is watched too.

#include "live/file_watch.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

TEST(FileWatch, SavesInPlaceRenamesAndNewFoldersCountOnceSettled)
{
    fs::path dir = fs::path(testing::TempDir()) / ("watch-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "res");
    std::ofstream(dir / "res" / "main.lua") << "-- one";
    // Closed before its folder is removed, which Windows refuses while it is watched.
    auto watch_holder = std::make_unique<FileWatch>();
    FileWatch& watch = *watch_holder;
    ASSERT_TRUE(watch.Open((dir / "res").string()));
    EXPECT_FALSE(watch.Settled(0, 0.05));

    // Saved in place: counted once the changes have been quiet for the settling time.
    std::ofstream(dir / "res" / "main.lua") << "-- two";
    EXPECT_FALSE(watch.Settled(1.0, 0.05));
    EXPECT_FALSE(watch.Settled(1.02, 0.05));
    EXPECT_TRUE(watch.Settled(1.06, 0.05));
    EXPECT_FALSE(watch.Settled(2.0, 0.05));

    // Written anew beside it and renamed over it.
    std::ofstream(dir / "res" / "main.lua.tmp") << "-- three";
    fs::rename(dir / "res" / "main.lua.tmp", dir / "res" / "main.lua");
    EXPECT_FALSE(watch.Settled(3.0, 0.05));
    EXPECT_TRUE(watch.Settled(3.1, 0.05));

    // A folder made after the watch began, and a file saved in it.
    fs::create_directories(dir / "res" / "scenes");
    EXPECT_FALSE(watch.Settled(4.0, 0.05));
    EXPECT_TRUE(watch.Settled(4.1, 0.05));
    std::ofstream(dir / "res" / "scenes" / "a.lua") << "-- a";
    EXPECT_FALSE(watch.Settled(5.0, 0.05));
    EXPECT_TRUE(watch.Settled(5.1, 0.05));
    watch_holder.reset();
    fs::remove_all(dir);
}
