#include "desktop/IconColours.h"

#include "platform/Platform.h"
#include "settings/Settings.h"

namespace wylo {

IconColours ChooseIconColours(const Settings& settings, std::string_view backgroundText,
                              std::string_view fontText) {
    IconColours colours;
    colours.background = settings.bgOverride ? HexToColour(backgroundText) : settings.bgColour;
    colours.text = settings.iconTextOverride ? HexToColour(fontText) : settings.fgColour;
    colours.transparent = settings.iconTransparency;
    return colours;
}

void ApplyImageColours(Platform& platform, const Settings& settings,
                       std::string_view backgroundText, std::string_view fontText) {
    const IconColours c = ChooseIconColours(settings, backgroundText, fontText);
    platform.SetDesktopIconColours(c.text, c.background, c.transparent);
}

}  // namespace wylo
