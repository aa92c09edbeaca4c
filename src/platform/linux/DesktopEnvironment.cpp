#include "platform/linux/DesktopEnvironment.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/GioLibrary.h"

extern char** environ;

namespace wylo {

const GSettingsWallpaperKeys kGnomeBackground = {"org.gnome.desktop.background", "picture-uri",
                                                 "picture-uri-dark", nullptr, "picture-options"};
const GSettingsWallpaperKeys kCinnamonBackground = {
    "org.cinnamon.desktop.background", "picture-uri", nullptr, nullptr, "picture-options"};
const GSettingsWallpaperKeys kMateBackground = {"org.mate.background", nullptr, nullptr,
                                                "picture-filename", "picture-options"};

namespace {

std::string Upper(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) {
            close(fd);
        }
    }
    void Reset() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

// Deleters for what GIO hands out; only ever made once the library is loaded.
struct GObjectUnref {
    void operator()(gpointer p) const { Gio()->g_object_unref(p); }
};
struct SchemaUnref {
    void operator()(GSettingsSchema* p) const { Gio()->g_settings_schema_unref(p); }
};
struct SchemaKeyUnref {
    void operator()(GSettingsSchemaKey* p) const { Gio()->g_settings_schema_key_unref(p); }
};
struct VariantUnref {
    void operator()(GVariant* p) const { Gio()->g_variant_unref(p); }
};

// True when key exists in the schema as a text key that accepts value and
// may be written.
bool CanWrite(const GioLibrary& gio, GSettings* settings, GSettingsSchema* schema, const char* key,
              const char* value) {
    if (!key || !gio.g_settings_schema_has_key(schema, key)) {
        return false;
    }
    std::unique_ptr<GSettingsSchemaKey, SchemaKeyUnref> k(
        gio.g_settings_schema_get_key(schema, key));
    if (!gio.g_variant_type_equal(gio.g_settings_schema_key_get_value_type(k.get()),
                                  G_VARIANT_TYPE_STRING)) {
        return false;
    }
    std::unique_ptr<GVariant, VariantUnref> v(
        gio.g_variant_ref_sink(gio.g_variant_new_string(value)));
    // Checked first: a value outside the key's choices would only log a
    // critical warning.
    return gio.g_settings_schema_key_range_check(k.get(), v.get()) &&
           gio.g_settings_is_writable(settings, key);
}

// A JavaScript string literal holding text.
std::string ScriptString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else if (c == 0xE2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                    static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            // U+2028 and U+2029 end a line inside older script engines.
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

}  // namespace

DesktopSession DetectDesktopSession(std::string_view currentDesktop) {
    DesktopSession session;
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        std::size_t end = currentDesktop.find(':', start);
        if (end == std::string_view::npos) {
            end = currentDesktop.size();
        }
        const std::string name = Upper(currentDesktop.substr(start, end - start));
        if (name == "GNOME" || name == "GNOME-CLASSIC" || name == "GNOME-FLASHBACK" ||
            name == "UNITY" || name == "BUDGIE" || name == "PANTHEON") {
            session.gnome = true;
        } else if (name == "X-CINNAMON" || name == "CINNAMON") {
            session.cinnamon = true;
        } else if (name == "MATE") {
            session.mate = true;
        } else if (name == "XFCE") {
            session.xfce = true;
        } else if (name == "KDE") {
            session.plasma = true;
        } else if (name == "LXDE") {
            session.lxde = true;
        } else if (name == "LXQT") {
            session.lxqt = true;
        } else if (name == "SWAY") {
            session.sway = true;
        }
        start = end + 1;
    }
    return session;
}

SessionEnvironment SessionEnvironment::FromProcess() {
    SessionEnvironment e;
    if (const char* desktop = std::getenv("XDG_CURRENT_DESKTOP")) {
        e.currentDesktop = desktop;
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    e.wayland = wayland && *wayland;
    const char* sway = std::getenv("SWAYSOCK");
    e.swaySocket = sway && *sway;
    return e;
}

DesktopSession DetectDesktopSession(const SessionEnvironment& environment) {
    DesktopSession session = DetectDesktopSession(environment.currentDesktop);
    // swaymsg finds sway through its socket whatever the desktop is called.
    if (environment.swaySocket) {
        session.sway = true;
    }
    // Other Wayland compositors without a wallpaper setting of their own
    // (river, labwc, Hyprland, Wayfire...) show a layer-shell background.
    if (environment.wayland && !session.Any()) {
        session.wlroots = true;
    }
    return session;
}

std::string DesktopSessionName(const SessionEnvironment& environment) {
    if (!environment.currentDesktop.empty()) {
        return environment.currentDesktop;
    }
    return environment.wayland ? "Wayland" : "X11";
}

std::string FileUri(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error || absolute.empty()) {
        return {};
    }
    // Every byte but letters, digits and those a path may carry as they are
    // is written as %XX, as file URIs require.
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kPlain = "-._~!$&'()*+,;=:@/";
    std::string uri = "file://";
    for (const char c : absolute.native()) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80) {
            uri += c;
        } else if (kPlain.find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri;
}

bool SetGSettingsWallpaper(const GSettingsWallpaperKeys& keys, const std::filesystem::path& file,
                           bool tile, bool span) {
    const GioLibrary* loaded = Gio();
    if (!loaded) {
        return false;
    }
    const GioLibrary& gio = *loaded;
    GSettingsSchemaSource* source = gio.g_settings_schema_source_get_default();
    if (!source) {
        return false;
    }
    // Looked up first: g_settings_new on a missing schema aborts the program.
    std::unique_ptr<GSettingsSchema, SchemaUnref> schema(
        gio.g_settings_schema_source_lookup(source, keys.schema, TRUE));
    if (!schema) {
        return false;
    }
    std::unique_ptr<GSettings, GObjectUnref> settings(
        gio.g_settings_new_full(schema.get(), nullptr, nullptr));

    const auto canWrite = [&](const char* key, const char* value) {
        return CanWrite(gio, settings.get(), schema.get(), key, value);
    };
    const std::string uri = FileUri(file);
    const std::string path = std::filesystem::absolute(file).string();
    const char* pictureKey = nullptr;
    std::string picture;
    if (!uri.empty() && canWrite(keys.uriKey, uri.c_str())) {
        pictureKey = keys.uriKey;
        picture = uri;
    } else if (canWrite(keys.fileKey, path.c_str())) {
        pictureKey = keys.fileKey;
        picture = path;
    }
    if (!pictureKey) {
        return false;
    }
    // The style first, so the desktop never shows the new picture the old way.
    const char* options = span ? "spanned" : tile ? "wallpaper" : "centered";
    if (canWrite(keys.optionsKey, options)) {
        gio.g_settings_set_string(settings.get(), keys.optionsKey, options);
    }
    if (pictureKey == keys.uriKey && canWrite(keys.darkUriKey, uri.c_str())) {
        gio.g_settings_set_string(settings.get(), keys.darkUriKey, uri.c_str());
    }
    const bool done = gio.g_settings_set_string(settings.get(), pictureKey, picture.c_str());
    gio.g_settings_sync();
    return done;
}

std::string XfceBackdropMonitor(std::string_view property) {
    constexpr std::string_view kMonitor = "/monitor";
    const std::size_t at = property.find(kMonitor);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::size_t start = at + kMonitor.size();
    const std::size_t end = property.find('/', start);
    return std::string(property.substr(
        start, end == std::string_view::npos ? property.size() - start : end - start));
}

bool SetXfceWallpaper(const std::filesystem::path& file, bool tile,
                      const std::vector<std::pair<std::string, std::filesystem::path>>& monitors) {
    std::string listing;
    if (RunProgram({"xfconf-query", "-c", "xfce4-desktop", "-l"}, &listing) != 0) {
        return false;
    }
    const std::string path = std::filesystem::absolute(file).string();
    const std::string style = tile ? "2" : "1";  // xfdesktop: 1 centred, 2 tiled
    const std::string suffix = "/last-image";
    bool done = false;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) {
            end = listing.size();
        }
        const std::string property = listing.substr(start, end - start);
        start = end + 1;
        if (property.size() <= suffix.size() || property[0] != '/' ||
            property.compare(property.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        const std::string base = property.substr(0, property.size() - suffix.size());
        std::string picture = path;
        const std::string monitor = XfceBackdropMonitor(property);
        for (const auto& [name, own] : monitors) {
            if (!monitor.empty() && name == monitor) {
                picture = std::filesystem::absolute(own).string();
            }
        }
        RunProgram({"xfconf-query", "-c", "xfce4-desktop", "-p", base + "/image-style", "-n", "-t",
                    "int", "-s", style});
        if (RunProgram({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-s", picture}) ==
            0) {
            done = true;
        }
    }
    return done;
}

std::string PlasmaWallpaperScript(std::string_view uri, bool tile) {
    return PlasmaWallpaperScript(uri, tile, {});
}

std::string PlasmaWallpaperScript(std::string_view uri, bool tile,
                                  const std::vector<PlasmaScreenPicture>& screens) {
    std::string list = "[";
    for (const PlasmaScreenPicture& s : screens) {
        if (list.size() > 1) {
            list += ", ";
        }
        list += "[" + std::to_string(s.x) + ", " + std::to_string(s.y) + ", " +
                std::to_string(s.width) + ", " + std::to_string(s.height) + ", " +
                ScriptString(s.uri) + "]";
    }
    list += "]";
    // FillMode follows Qt Quick's Image: 3 tiles, 6 centres without scaling.
    return "var uri = " + ScriptString(uri) +
           ";\n"
           "var screens = " +
           list +
           ";\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    var picture = uri;\n"
           "    var g = d.screen >= 0 ? screenGeometry(d.screen) : null;\n"
           "    for (var j = 0; g && j < screens.length; j++) {\n"
           "        var s = screens[j];\n"
           "        if (g.x == s[0] && g.y == s[1] && g.width == s[2] && g.height == s[3]) {\n"
           "            picture = s[4];\n"
           "        }\n"
           "    }\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"FillMode\", " +
           std::string(tile ? "3" : "6") +
           ");\n"
           "    d.writeConfig(\"Image\", picture);\n"
           "}\n"
           // How many desktops took it: none while the shell has not loaded
           // its desktops, and then the screen shows nothing of it.
           "print(all.length);\n";
}

bool SetPlasmaWallpaper(const std::filesystem::path& file, bool tile) {
    return SetPlasmaWallpaper(file, tile, {});
}

bool SetPlasmaWallpaper(const std::filesystem::path& file, bool tile,
                        const std::vector<PlasmaScreenPicture>& screens) {
    const std::string uri = FileUri(file);
    if (uri.empty()) {
        return false;
    }
    const std::string script = PlasmaWallpaperScript(uri, tile, screens);
    for (const char* qdbus : {"qdbus6", "qdbus-qt6", "qdbus", "qdbus-qt5"}) {
        std::string output;
        const int status = RunProgram({qdbus, "org.kde.plasmashell", "/PlasmaShell",
                                       "org.kde.PlasmaShell.evaluateScript", script},
                                      &output);
        if (status == 0) {
            // The script prints how many desktops it changed; a shell that
            // prints nothing is taken at its word.
            const std::size_t end = output.find_last_not_of(" \t\r\n");
            const std::string last =
                end == std::string::npos ? std::string() : output.substr(0, end + 1);
            const std::size_t start = last.find_last_of(" \t\r\n");
            return last.empty() || last.substr(start == std::string::npos ? 0 : start + 1) != "0";
        }
    }
    // Sets the picture only; the fill mode stays as the user had it.
    return RunProgram({"plasma-apply-wallpaperimage", std::filesystem::absolute(file).string()}) ==
           0;
}

int RunProgram(const std::vector<std::string>& argv, std::string* output,
               std::chrono::milliseconds timeout) {
    if (argv.empty()) {
        return -1;
    }
    FdCloser readEnd;
    FdCloser writeEnd;
    if (output) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return -1;
        }
        readEnd.fd = fds[0];
        writeEnd.fd = fds[1];
    }
    SpawnActions actions;
    posix_spawn_file_actions_addopen(&actions.actions, 0, "/dev/null", O_RDONLY, 0);
    if (output) {
        posix_spawn_file_actions_adddup2(&actions.actions, writeEnd.fd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions.actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions.actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0].c_str(), &actions.actions, nullptr, args.data(), environ);
    writeEnd.Reset();
    if (spawned != 0) {
        return -1;
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    if (output) {
        // Read until the program closes its output; a listing is small, so
        // anything beyond 1 MB is dropped.
        char buffer[4096];
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                timedOut = true;
                break;
            }
            pollfd p{readEnd.fd, POLLIN, 0};
            const int ready = poll(&p, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                timedOut = ready == 0;
                break;
            }
            const ssize_t n = read(readEnd.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            if (output->size() < (1u << 20)) {
                output->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (timedOut || std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace wylo
