#pragma once

#include <string_view>

#include "base/Colour.h"

namespace wylo {

class Platform;
struct Settings;

// The caption colours for one image.
struct IconColours {
    Colour text = kBlack;
    Colour background = kBlack;
    bool transparent = false;
    friend bool operator==(const IconColours&, const IconColours&) = default;
};

// Each colour comes from the image's colour text while its override switch is
// on, else from the user's own colour; an image without the text gives black.
IconColours ChooseIconColours(const Settings& settings, std::string_view backgroundText,
                              std::string_view fontText);

// Recolours the desktop icon captions for an image with the given
// "background" and "font" colour texts.
void ApplyImageColours(Platform& platform, const Settings& settings,
                       std::string_view backgroundText, std::string_view fontText);

}  // namespace wylo
