#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <windows.h>

#include "settings/Settings.h"

namespace wylo::win {

class ColourPanel;
class RadioGroup;
class SpinEdit;

// Ties the settings page's controls to the settings, one call a control: the
// call shows the setting in the control whenever the settings are shown,
// writes each change the user makes straight back into the settings, and
// reports it with onChanged. A setting the window shows is bound here and
// nowhere else. The controls' commands reach it through OnCommand.
class SettingsBinding {
public:
    // settings must outlive the binding.
    explicit SettingsBinding(Settings& settings);
    SettingsBinding(const SettingsBinding&) = delete;
    SettingsBinding& operator=(const SettingsBinding&) = delete;

    void Bind(HWND checkBox, bool Settings::*field);
    // The position of the entry chosen in a drop-down list; -1 none.
    void Bind(HWND list, std::int32_t Settings::*field);
    void Bind(HWND list, ScheduleUnit Settings::*field);
    void Bind(RadioGroup& group, MultiScreen Settings::*field);
    void Bind(ColourPanel& panel, Colour Settings::*field);
    // The frequency with the range its unit allows.
    void Bind(SpinEdit& box, std::int32_t Settings::*field);
    // A size the box shows in units of unit bytes (the cache limit in
    // megabytes); the box's range stays as the page set it.
    void Bind(SpinEdit& box, std::uint64_t Settings::*field, std::uint64_t unit);
    // A placement: its mode in group, its zoom in the drop-down list zoom.
    void Bind(RadioGroup& group, HWND zoom, ImagePlacement Settings::*field);
    // A switch the system keeps rather than the settings file: the box shows
    // read() whenever the settings are shown and at ShowSystemSwitches(), and
    // a click hands the new state to write(), which answers what the system
    // holds afterwards.
    void Bind(HWND checkBox, std::function<bool()> read, std::function<bool(bool)> write);

    // Shows every bound setting in its control, as the user would set it,
    // then takes back what the controls allow (an entry a list does not
    // have, a frequency out of range), then runs onShown.
    void ShowAll();
    // Shows again what the system holds for its switches: the user may have
    // changed it by other means while the page was away.
    void ShowSystemSwitches();

    // A command a control sent its parent; true when a bound control's.
    bool OnCommand(HWND control, int code);

    // The user changed a setting.
    std::function<void()> onChanged;
    // Every bound setting has been shown.
    std::function<void()> onShown;

private:
    // show sets the control from the settings, write the settings from the
    // control; the result is what a change of the control calls.
    std::function<void()> Add(std::function<void()> show, std::function<void()> write);
    void Listen(HWND control, int code, std::function<void()> changed);

    struct Command {
        HWND control;
        int code;
        std::function<void()> changed;
    };

    Settings& settings_;
    std::vector<std::function<void()>> shows_;
    std::vector<std::function<void()>> writes_;
    std::vector<std::function<void()>> systemShows_;
    std::vector<Command> commands_;
    bool showing_ = false;
};

}  // namespace wylo::win
