#include "platform/linux/WaylandDesktop.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/linux/DesktopEnvironment.h"

extern char** environ;

namespace wylo {
namespace {

// A text that sway's command parser takes as one word: in double quotes,
// which it strips. Quotes, backslashes and line ends cannot be passed safely.
std::optional<std::string> SwayWord(std::string_view text) {
    if (text.empty() || text.find_first_of("\"'\\\n\r") != std::string_view::npos) {
        return std::nullopt;
    }
    return "\"" + std::string(text) + "\"";
}

// --- wl_output through the Wayland protocol ---

struct ProtocolOutput {
    wl_output* output = nullptr;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scale = 1;
    std::int32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
    std::string name;
};

struct ProtocolState {
    std::vector<std::unique_ptr<ProtocolOutput>> outputs;
};

void OnGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                const char*, const char*, int32_t transform) {
    auto* o = static_cast<ProtocolOutput*>(data);
    o->x = x;
    o->y = y;
    o->transform = transform;
}
void OnMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        auto* o = static_cast<ProtocolOutput*>(data);
        o->width = width;
        o->height = height;
    }
}
void OnDone(void*, wl_output*) {}
void OnScale(void* data, wl_output*, int32_t factor) {
    static_cast<ProtocolOutput*>(data)->scale = std::max(factor, 1);
}
void OnName(void* data, wl_output*, const char* name) {
    static_cast<ProtocolOutput*>(data)->name = name ? name : "";
}
void OnDescription(void*, wl_output*, const char*) {}

const wl_output_listener kOutputListener = {OnGeometry, OnMode, OnDone,
                                            OnScale,    OnName, OnDescription};

void OnGlobal(void* data, wl_registry* registry, uint32_t id, const char* interface,
              uint32_t version) {
    if (std::string_view(interface) != wl_output_interface.name) {
        return;
    }
    auto* state = static_cast<ProtocolState*>(data);
    auto output = std::make_unique<ProtocolOutput>();
    output->output = static_cast<wl_output*>(
        wl_registry_bind(registry, id, &wl_output_interface, std::min<uint32_t>(version, 4)));
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    state->outputs.push_back(std::move(output));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// The swaybg started at the last change, still running.
pid_t g_swaybg = 0;

void EndProcess(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

std::vector<WaylandOutput> ParseSwayOutputs(std::string_view json) {
    std::vector<WaylandOutput> outputs;
    const nlohmann::json list = nlohmann::json::parse(json, nullptr, false);
    if (!list.is_array()) {
        return outputs;
    }
    for (const nlohmann::json& o : list) {
        if (!o.is_object() || !o.value("active", false) || !o.contains("rect")) {
            continue;
        }
        const nlohmann::json& r = o["rect"];
        const auto number = [&r](const char* key) -> std::optional<std::int32_t> {
            if (!r.is_object() || !r.contains(key) || !r[key].is_number_integer()) {
                return std::nullopt;
            }
            const auto v = r[key].get<std::int64_t>();
            if (v < -(1 << 24) || v > (1 << 24)) {
                return std::nullopt;
            }
            return static_cast<std::int32_t>(v);
        };
        const auto x = number("x");
        const auto y = number("y");
        const auto w = number("width");
        const auto h = number("height");
        const nlohmann::json name = o.value("name", nlohmann::json());
        if (!x || !y || !w || !h || *w <= 0 || *h <= 0 || !name.is_string()) {
            continue;
        }
        outputs.push_back(
            {name.get<std::string>(), Rect{*x, *y, *x + *w, *y + *h}, o.value("focused", false)});
    }
    return outputs;
}

std::vector<WaylandOutput> SwayOutputs() {
    std::string json;
    if (RunProgram({"swaymsg", "-r", "-t", "get_outputs"}, &json) != 0) {
        return {};
    }
    return ParseSwayOutputs(json);
}

std::vector<WaylandOutput> WaylandProtocolOutputs() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) {
        return {};
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return {};
    }
    ProtocolState state;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &state);
    // The first round trip announces the outputs, the second their details.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    std::vector<WaylandOutput> outputs;
    for (const auto& o : state.outputs) {
        std::int32_t w = o->width / o->scale;
        std::int32_t h = o->height / o->scale;
        // Turned a quarter (with or without flipping): width and height swap.
        if (o->transform % 2 == 1) {
            std::swap(w, h);
        }
        if (w > 0 && h > 0) {
            outputs.push_back({o->name, Rect{o->x, o->y, o->x + w, o->y + h}, false});
        }
        wl_output_destroy(o->output);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return outputs;
}

std::vector<Monitor> MonitorsFromOutputs(const std::vector<WaylandOutput>& outputs) {
    std::vector<Monitor> monitors;
    if (outputs.empty()) {
        return monitors;
    }
    auto primary = std::find_if(outputs.begin(), outputs.end(), [](const WaylandOutput& o) {
        return o.bounds.left == 0 && o.bounds.top == 0;
    });
    if (primary == outputs.end()) {
        primary = std::find_if(outputs.begin(), outputs.end(),
                               [](const WaylandOutput& o) { return o.focused; });
    }
    if (primary == outputs.end()) {
        primary = outputs.begin();
    }
    const Rect p = primary->bounds;
    for (auto o = outputs.begin(); o != outputs.end(); ++o) {
        monitors.push_back({Rect{o->bounds.left - p.left, o->bounds.top - p.top,
                                 o->bounds.right - p.left, o->bounds.bottom - p.top},
                            o == primary});
    }
    return monitors;
}

std::vector<std::string> SwayBackgroundCommand(const std::string& output,
                                               const std::filesystem::path& file, bool tile) {
    const auto name = SwayWord(output);
    const auto path = SwayWord(std::filesystem::absolute(file).string());
    if (!name || !path) {
        return {};
    }
    return {"swaymsg", "output", *name, "bg", *path, tile ? "tile" : "center"};
}

bool SetSwayWallpaper(const OutputPictures& pictures, bool tile) {
    if (pictures.empty()) {
        return false;
    }
    bool done = true;
    for (const auto& [output, file] : pictures) {
        const std::vector<std::string> command = SwayBackgroundCommand(output, file, tile);
        done = !command.empty() && RunProgram(command) == 0 && done;
    }
    return done;
}

std::vector<std::string> SwaybgArguments(const OutputPictures& pictures, bool tile) {
    std::vector<std::string> args = {"swaybg"};
    for (const auto& [output, file] : pictures) {
        args.insert(args.end(), {"-o", output, "-i", std::filesystem::absolute(file).string(), "-m",
                                 tile ? "tile" : "center"});
    }
    return args;
}

bool StartSwaybg(const OutputPictures& pictures, bool tile) {
    if (pictures.empty()) {
        return false;
    }
    const std::vector<std::string> args = SwaybgArguments(pictures, tile);
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "swaybg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    // swaybg gives no sign of being ready; one that cannot show anything (no
    // layer-shell, no such output) ends within moments.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The new background is up over the old one: the old process may go.
    EndProcess(g_swaybg);
    g_swaybg = pid;
    return true;
}

void EndSwaybg() {
    EndProcess(g_swaybg);
    g_swaybg = 0;
}

}  // namespace wylo
