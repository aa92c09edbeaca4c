#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "base/CommandLine.h"

namespace wylo {

// One Wylo at a time for each app folder, and the commands a second start
// hands to it. Only the same user reaches the Wylo that runs. One
// implementation per system: a local socket beside a lock in the user's
// runtime folder on Linux, a named mutex and a window message on Windows.
class RunningInstance {
public:
    // Carries out a command on the window's thread; true when it was taken.
    using Handler = std::function<bool(RemoteCommand)>;
    // Runs a function soon on the window's thread.
    using RunOnWindow = std::function<void(std::function<void()>)>;

    virtual ~RunningInstance() = default;
    // Starts taking commands; called on the window's thread, once the window
    // can carry them out. Commands sent since the claim wait until then.
    virtual void Listen(Handler handler, RunOnWindow post) = 0;
    // Takes no more commands and ends what waits for the window; called on
    // the window's thread before the window goes. The claim holds until the
    // object goes.
    virtual void StopListening() = 0;
};

// Makes this process the one Wylo for appFolder: nothing when another one
// runs. Throws Error when the system gives no means to tell.
std::unique_ptr<RunningInstance> ClaimInstance(const std::filesystem::path& appFolder);

enum class Delivery {
    Taken,        // the Wylo that runs took the command
    Refused,      // it runs but could not carry the command out now
    NoneRunning,  // no Wylo runs for the app folder
    NoAnswer,     // one runs but gave no answer in time
};

// Hands command to the Wylo that runs for appFolder and waits up to patience
// for its answer, also while that one is still starting up.
Delivery SendToInstance(const std::filesystem::path& appFolder, RemoteCommand command,
                        std::chrono::milliseconds patience);

// What a start tells the user about a delivery, and its exit status.
struct DeliveryReport {
    int status = 0;
    std::string text;
    bool error = false;
};
DeliveryReport ReportDelivery(Delivery delivery, RemoteCommand command);

// The part of the names of the lock, socket, mutex or window that tells one
// app folder from another: a hash of its path, as 16 hexadecimal digits.
std::string InstanceKey(const std::filesystem::path& appFolder);

}  // namespace wylo
