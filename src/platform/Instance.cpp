#include "platform/Instance.h"

#include <cstdint>
#include <cstdio>

namespace wylo {

std::string InstanceKey(const std::filesystem::path& appFolder) {
    // FNV-1a over the path's bytes: a name, not a secret, and stable across
    // builds so an older Wylo and a newer one find each other.
    const std::u8string text = appFolder.lexically_normal().generic_u8string();
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char8_t c : text) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 0x100000001b3ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

namespace {

std::string WhyRefused(RemoteCommand command) {
    switch (command) {
        case RemoteCommand::ChangeNow:
            return "no channel is subscribed";
        case RemoteCommand::Previous:
            return "there is no earlier wallpaper to go back to";
        case RemoteCommand::Next:
            return "there is no later wallpaper to go forward to";
        case RemoteCommand::NeverAgain:
            return "it knows no picture of its own on the desktop";
        default:
            return "it cannot do that now";
    }
}

}  // namespace

DeliveryReport ReportDelivery(Delivery delivery, RemoteCommand command) {
    const std::string name(RemoteCommandName(command));
    switch (delivery) {
        case Delivery::Taken:
            return {0, {}, false};
        case Delivery::Refused:
            return {1, "Wylo did not take --" + name + ": " + WhyRefused(command) + ".\n", true};
        case Delivery::NoneRunning:
            return {1, "No Wylo is running: start Wylo first.\n", true};
        case Delivery::NoAnswer:
            break;
    }
    return {1, "Wylo runs but did not answer --" + name + " in time.\n", true};
}

}  // namespace wylo
