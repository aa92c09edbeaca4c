#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace wylo {

// One output of a Wayland compositor in its logical layout (the compositor's
// own coordinates, scaled sizes).
struct WaylandOutput {
    std::string name;
    Rect bounds;
    bool focused = false;
    friend bool operator==(const WaylandOutput&, const WaylandOutput&) = default;
};

// The active outputs in the text of `swaymsg -t get_outputs` (JSON); empty
// when the text is not such a list.
std::vector<WaylandOutput> ParseSwayOutputs(std::string_view json);

// sway's outputs, asked through swaymsg; empty when sway does not answer.
std::vector<WaylandOutput> SwayOutputs();

// The outputs that the compositor at $WAYLAND_DISPLAY announces (wl_output);
// empty without a compositor.
std::vector<WaylandOutput> WaylandProtocolOutputs();

// The outputs as monitors, the origin moved to the primary one: the output
// at the layout's origin (0, 0), else the focused one, else the first.
std::vector<Monitor> MonitorsFromOutputs(const std::vector<WaylandOutput>& outputs);

// Each output's own picture file.
using OutputPictures = std::vector<std::pair<std::string, std::filesystem::path>>;

// The arguments of one swaymsg call that gives output its picture; empty
// when the name or the path cannot be quoted for sway's command language.
std::vector<std::string> SwayBackgroundCommand(const std::string& output,
                                               const std::filesystem::path& file, bool tile);

// sway: `swaymsg output NAME bg FILE tile` per output. False when swaymsg
// is missing or sway refused any of them.
bool SetSwayWallpaper(const OutputPictures& pictures, bool tile);

// The arguments of one swaybg process showing every picture on its output.
std::vector<std::string> SwaybgArguments(const OutputPictures& pictures, bool tile);

// Other wlroots compositors: starts one swaybg for the pictures and, once it
// runs, ends the one started at the previous change. False when swaybg is
// missing or ends at once (a compositor without layer-shell support).
bool StartSwaybg(const OutputPictures& pictures, bool tile);

// Ends the swaybg of the last change, if one runs; otherwise it stays after
// Wylo ends, so the desktop keeps its picture.
void EndSwaybg();

}  // namespace wylo
