// The platform layer as the engine relies on it: files replaced in one step, fresh names, changes
// below a watched folder placed by path, and sockets that never wait.

#include "support/fake_editor.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

static fs::path TestFolder(const char* name)
{
    fs::path folder = fs::path(testing::TempDir()) / (name + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

TEST(Platform, FilesAreReplacedWholeAndNamesAreFresh)
{
    fs::path folder = TestFolder("platform-files-");
    std::ofstream(folder / "a") << "old";
    std::ofstream(folder / "a.new") << "new";
    ASSERT_TRUE(MoveFileOver((folder / "a.new").string(), (folder / "a").string()));
    std::string text;
    std::ifstream(folder / "a") >> text;
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(fs::exists(folder / "a.new"));
    EXPECT_FALSE(MoveFileOver((folder / "none").string(), (folder / "a").string()));

    // A folder is no regular file; nor is nothing.
    EXPECT_EQ(OpenRegularFd(folder.string().c_str()), -1);
    EXPECT_EQ(OpenRegularFile((folder / "none").string().c_str()), nullptr);

    std::set<std::string> names;
    for (int i = 0; i < 20; i++) {
        std::string name = FreshName();
        ASSERT_FALSE(name.empty());
        for (char c : name)
            EXPECT_TRUE(isalnum(static_cast<unsigned char>(c))) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
    fs::remove_all(folder);
}

TEST(Platform, AWatchPlacesChangesInFoldersMadeAfterItOpened)
{
    fs::path folder = TestFolder("platform-watch-");
    FolderWatch* watch = OpenFolderWatch(folder.string());
    ASSERT_NE(watch, nullptr);
    std::vector<std::string> paths;
    ReadFolderChanges(watch, paths);
    EXPECT_TRUE(paths.empty());
    fs::create_directories(folder / "scenes");
    ReadFolderChanges(watch, paths);
    std::ofstream(folder / "scenes" / "intro.lua") << "-- saved";
    // Windows tells of a change a moment after it; either separator may come.
    fs::path saved = folder / "scenes" / "intro.lua";
    auto told = [&] {
        return std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
            return fs::path(path).lexically_normal() == saved.lexically_normal();
        });
    };
    for (int i = 0; i < 100 && !told(); i++) {
        usleep(5000);
        ReadFolderChanges(watch, paths);
    }
    EXPECT_TRUE(told()) << paths.size() << (paths.empty() ? "" : " " + paths.back());
    CloseFolderWatch(watch);
    fs::remove_all(folder);
}

TEST(Platform, ASocketConnectsSendsAndReceivesWithoutWaiting)
{
    FakeEditor editor;
    std::string address = editor.Address();
    std::string error;
    NetAddresses* addresses =
        ResolveAddresses("127.0.0.1", address.substr(address.find(':') + 1), error);
    ASSERT_NE(addresses, nullptr) << error;
    ASSERT_EQ(AddressCount(addresses), 1u);
    Socket socket = StartConnecting(addresses, 0);
    ASSERT_NE(socket, kNoSocket);
    int state = 0;
    for (int i = 0; i < 200 && state == 0; i++) {
        state = ConnectionState(socket);
        usleep(5000);
    }
    ASSERT_EQ(state, 1);
    char buffer[64];
    EXPECT_EQ(ReceiveNow(socket, buffer, sizeof buffer), 0) << "nothing has come";
    std::string greeting = "hello, synctracker!";
    EXPECT_EQ(SendNow(socket, greeting.data(), greeting.size(), error),
              static_cast<long>(greeting.size()));
    ASSERT_TRUE(editor.Accept(5));
    long got = 0;
    for (int i = 0; i < 200 && got == 0; i++) {
        got = ReceiveNow(socket, buffer, sizeof buffer);
        usleep(5000);
    }
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0), "hello, demo!");
    editor.Drop();
    for (int i = 0; i < 200 && got >= 0; i++) {
        got = ReceiveNow(socket, buffer, sizeof buffer);
        usleep(5000);
    }
    EXPECT_EQ(got, -1) << "the other side closed";
    CloseSocket(socket);
    FreeAddresses(addresses);
}
