// One Wylo at a time on Windows: the named mutex and the window message,
// with the real calls under Wine.
// clang-format off
#include <windows.h>
// clang-format on

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Instance.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using namespace std::chrono_literals;

// Sends command from a thread of its own while this thread runs its
// messages, as the window's thread of the Wylo that runs does.
Delivery SendWhilePumping(const std::filesystem::path& appFolder, RemoteCommand command,
                          std::chrono::milliseconds patience = 5000ms) {
    std::atomic<bool> done = false;
    Delivery delivery = Delivery::NoAnswer;
    std::thread sender([&] {
        delivery = SendToInstance(appFolder, command, patience);
        done = true;
    });
    while (!done) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    sender.join();
    return delivery;
}

TEST(WindowsInstance, TheSecondClaimFailsAndItsCommandsReachTheFirstOnItsThread) {
    test::TempDir home;
    const std::filesystem::path appFolder = home / "Wylo" / "";
    auto first = ClaimInstance(appFolder);
    ASSERT_TRUE(first);
    EXPECT_FALSE(ClaimInstance(appFolder));
    EXPECT_TRUE(ClaimInstance(home / "Other" / ""));

    std::vector<RemoteCommand> received;
    bool onThisThread = true;
    const std::thread::id self = std::this_thread::get_id();
    first->Listen(
        [&](RemoteCommand command) {
            received.push_back(command);
            onThisThread = onThisThread && std::this_thread::get_id() == self;
            return command != RemoteCommand::Previous;
        },
        [](std::function<void()> work) { work(); });

    EXPECT_EQ(SendWhilePumping(appFolder, RemoteCommand::Show), Delivery::Taken);
    EXPECT_EQ(SendWhilePumping(appFolder, RemoteCommand::Next), Delivery::Taken);
    EXPECT_EQ(SendWhilePumping(appFolder, RemoteCommand::Previous), Delivery::Refused);
    EXPECT_EQ(received,
              (std::vector{RemoteCommand::Show, RemoteCommand::Next, RemoteCommand::Previous}));
    EXPECT_TRUE(onThisThread);

    first.reset();
    EXPECT_EQ(SendToInstance(appFolder, RemoteCommand::Next, 5000ms), Delivery::NoneRunning);
    EXPECT_TRUE(ClaimInstance(appFolder));
}

TEST(WindowsInstance, ACommandSentDuringStartUpWaitsForTheWindow) {
    test::TempDir home;
    const std::filesystem::path appFolder = home / "Wylo" / "";
    auto first = ClaimInstance(appFolder);
    ASSERT_TRUE(first);
    std::atomic<bool> done = false;
    Delivery delivery = Delivery::NoAnswer;
    std::thread sender([&] {
        delivery = SendToInstance(appFolder, RemoteCommand::ChangeNow, 10000ms);
        done = true;
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(done);
    bool taken = false;
    first->Listen(
        [&](RemoteCommand command) { return taken = command == RemoteCommand::ChangeNow; },
        [](std::function<void()> work) { work(); });
    while (!done) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    sender.join();
    EXPECT_EQ(delivery, Delivery::Taken);
    EXPECT_TRUE(taken);
}

}  // namespace
}  // namespace wylo
