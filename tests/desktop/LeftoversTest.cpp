#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop/Leftovers.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

extern char** environ;

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Makes a file look written long ago, as a leftover of an earlier run does.
void Age(const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(5));
}

fs::path AgedFile(const fs::path& path, const std::string& content = "x") {
    fs::create_directories(path.parent_path());
    WriteFile(path, content);
    Age(path);
    return path;
}

// The first file in folder whose name passes test; empty when none.
template <typename Test>
fs::path FindIn(const fs::path& folder, Test test) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (test(entry.path().filename().string())) {
            return entry.path();
        }
    }
    return {};
}

class LeftoversTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    fs::path app_ = dir_ / "Wylo";
};

TEST_F(LeftoversTest, RemovesOnlyWylosOwnTemporaryNames) {
    const std::vector<fs::path> leftovers = {
        app_ / "Wylo.ini.tmp-0123456789abcdef",
        app_ / ".wylo-fedcba9876543210.part",
        app_ / "desktop.bmp.tmp",
        app_ / "desktop.bmp.old",
        app_ / "desktop-de.bmp.tmp",
        app_ / "cache/alps/.wylo-0000000000000000.part",
        app_ / "cache/alps/images/.wylo-00000000000000ff.part",
        app_ / "cache/alps/images/photo.bmp.tmp",
        app_ / "cache/alps/images/photo.bmp.old",
        app_ / "cache/alps/thumbs/t1.bmp.tmp",
    };
    const std::vector<fs::path> kept = {
        app_ / "Wylo.ini",
        app_ / "wylo.xml",
        app_ / "desktop.bmp",
        app_ / "Wylo.ini.tmp-0123",               // not the save's suffix
        app_ / "Wylo.ini.tmp-0123456789ABCDEF",   // upper-case digits: not ours
        app_ / "Other.ini.tmp-0123456789abcdef",  // not the settings file
        app_ / "photo.bmp.tmp",                   // not the wallpaper
        app_ / ".wylo-xyz.part",
        app_ / "notes.part",
        app_ / "cache/alps/Channel.xml",
        app_ / "cache/alps/images/photo.jpg",
        app_ / "cache/alps/images/photo.bmp",
        app_ / "cache/alps/images/deeper/x.bmp.tmp",  // no such folder of the cache
        app_ / "cache/.wylo-0000000000000000.part",   // the cache holds folders only
    };
    for (const fs::path& path : leftovers) {
        AgedFile(path);
    }
    for (const fs::path& path : kept) {
        AgedFile(path);
    }

    EXPECT_EQ(RemoveLeftovers(app_), static_cast<int>(leftovers.size()));
    for (const fs::path& path : leftovers) {
        EXPECT_FALSE(fs::exists(path)) << path;
    }
    for (const fs::path& path : kept) {
        EXPECT_TRUE(fs::exists(path)) << path;
    }
    EXPECT_EQ(RemoveLeftovers(app_), 0);
}

TEST_F(LeftoversTest, KeepsFilesAnotherRunningCopyMayStillBeWriting) {
    const fs::path fresh = app_ / ".wylo-0123456789abcdef.part";
    fs::create_directories(app_);
    WriteFile(fresh, "still arriving");
    EXPECT_EQ(RemoveLeftovers(app_), 0);
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_EQ(RemoveLeftovers(app_, std::chrono::seconds(0)), 1);
}

TEST_F(LeftoversTest, NeverFollowsSymbolicLinksOutOfTheAppFolder) {
    const fs::path outside = dir_ / "outside";
    const fs::path victim = AgedFile(outside / "desktop.bmp.tmp");
    const fs::path victimPart = AgedFile(outside / ".wylo-0123456789abcdef.part");
    fs::create_directories(app_ / "cache");
    fs::create_directory_symlink(outside, app_ / "cache" / "linked");
    fs::create_symlink(victim, app_ / "desktop.bmp.tmp");
    fs::create_directories(app_ / "cache/alps");
    fs::create_directory_symlink(outside, app_ / "cache/alps/images");

    EXPECT_EQ(RemoveLeftovers(app_), 0);
    EXPECT_TRUE(fs::exists(victim));
    EXPECT_TRUE(fs::exists(victimPart));
    EXPECT_TRUE(fs::is_symlink(app_ / "desktop.bmp.tmp"));

    // An app folder that is itself a link is left alone too.
    const fs::path linkedApp = dir_ / "LinkedWylo";
    fs::create_directory_symlink(outside, linkedApp);
    EXPECT_EQ(RemoveLeftovers(linkedApp), 0);
    EXPECT_TRUE(fs::exists(victim));
}

TEST_F(LeftoversTest, MissingAppFolderIsNothingToDo) {
    EXPECT_EQ(RemoveLeftovers(app_), 0);
    EXPECT_EQ(RemoveLeftovers(fs::path()), 0);
}

// --- Killed half-way -----------------------------------------------------------

// Starts the writer with args, waits until a file that found() names appears,
// kills the writer with SIGKILL and returns that file.
template <typename Found>
fs::path KillWhenSeen(const std::vector<std::string>& args, Found found) {
    std::vector<std::string> all = {LEFTOVER_WRITER_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, LEFTOVER_WRITER_EXE, nullptr, nullptr, argv.data(), environ) != 0) {
        return {};
    }
    fs::path seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (seen.empty() && std::chrono::steady_clock::now() < deadline) {
        seen = found();
        if (seen.empty()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return seen;
}

TEST_F(LeftoversTest, WhatAKilledSaveLeavesIsGoneAtTheNextStart) {
    fs::create_directories(app_ / "cache/alps/images");
    const fs::path ini = AgedFile(app_ / "Wylo.ini", "[Settings]\nCurrentImage=3\n");

    // The settings file's atomic save.
    const fs::path tempIni = KillWhenSeen({"settings", ini.string()}, [&] {
        return FindIn(app_, [](const std::string& n) { return n.starts_with("Wylo.ini.tmp-"); });
    });
    ASSERT_FALSE(tempIni.empty()) << "the save never got under way";
    ASSERT_TRUE(fs::exists(tempIni)) << "the kill came too late";

    // The wallpaper's BMP write.
    const fs::path tempBmp = KillWhenSeen({"bmp", (app_ / "desktop.bmp").string()}, [&] {
        return fs::exists(app_ / "desktop.bmp.tmp") ? app_ / "desktop.bmp.tmp" : fs::path();
    });
    ASSERT_FALSE(tempBmp.empty());
    ASSERT_TRUE(fs::exists(tempBmp));

    // A download from a server that trickles.
    test::TestHttpServer server;
    server.Route("/photo.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/jpeg", [](std::size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 200 && sink.is_writable(); ++i) {
                sink.write("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 32);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            sink.done();
            return true;
        });
    });
    const fs::path images = app_ / "cache/alps/images";
    const fs::path part = KillWhenSeen(
        {"download", server.Url("/photo.jpg"), (images / "photo.jpg").string()},
        [&] { return FindIn(images, [](const std::string& n) { return n.ends_with(".part"); }); });
    ASSERT_FALSE(part.empty());
    ASSERT_TRUE(fs::exists(part));

    // The next start, a while later.
    for (const fs::path& path : {tempIni, tempBmp, part}) {
        Age(path);
    }
    EXPECT_EQ(RemoveLeftovers(app_), 3);
    EXPECT_FALSE(fs::exists(tempIni));
    EXPECT_FALSE(fs::exists(tempBmp));
    EXPECT_FALSE(fs::exists(part));
    EXPECT_FALSE(fs::exists(images / "photo.jpg"));
    // The settings file is the old one or a whole new one, never a part.
    const std::string settings = ReadFile(ini);
    EXPECT_TRUE(settings == "[Settings]\nCurrentImage=3\n" ||
                settings.size() == 64u * 1024 * 1024 + 12)
        << settings.size();
}

}  // namespace
}  // namespace wylo
