#include "win32app/SettingsBinding.h"

#include <algorithm>
#include <utility>

#include "base/Choices.h"
#include "settings/PlacementChoice.h"
#include "win32app/Controls.h"

namespace wylo::win {
namespace {

bool Ticked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Selected(HWND list) {
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

// An index the list does not hold leaves it without a selection.
void Select(HWND list, int index) {
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Runs first, then second: a control's callback keeps the one it had.
std::function<void()> Then(std::function<void()> first, std::function<void()> second) {
    return [first = std::move(first), second = std::move(second)] {
        if (first) {
            first();
        }
        second();
    };
}

}  // namespace

SettingsBinding::SettingsBinding(Settings& settings) : settings_(settings) {}

std::function<void()> SettingsBinding::Add(std::function<void()> show,
                                           std::function<void()> write) {
    shows_.push_back(std::move(show));
    writes_.push_back(write);
    return [this, write = std::move(write)] {
        // The program showing the settings is no change of the user's.
        if (!showing_) {
            write();
            if (onChanged) {
                onChanged();
            }
        }
    };
}

void SettingsBinding::Listen(HWND control, int code, std::function<void()> changed) {
    commands_.push_back({control, code, std::move(changed)});
}

bool SettingsBinding::OnCommand(HWND control, int code) {
    bool bound = false;
    for (const Command& c : commands_) {
        if (c.control == control && c.code == code) {
            c.changed();
            bound = true;
        }
    }
    return bound;
}

void SettingsBinding::ShowAll() {
    showing_ = true;
    for (const auto& show : shows_) {
        show();
    }
    showing_ = false;
    for (const auto& write : writes_) {
        write();
    }
    ShowSystemSwitches();
    if (onShown) {
        onShown();
    }
}

void SettingsBinding::ShowSystemSwitches() {
    for (const auto& show : systemShows_) {
        show();
    }
}

void SettingsBinding::Bind(HWND checkBox, std::function<bool()> read,
                           std::function<bool(bool)> write) {
    const auto tick = [checkBox](bool on) {
        SendMessageW(checkBox, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    systemShows_.push_back([tick, read = std::move(read)] { tick(read()); });
    Listen(checkBox, BN_CLICKED,
           [checkBox, tick, write = std::move(write)] { tick(write(Ticked(checkBox))); });
}

void SettingsBinding::Bind(HWND checkBox, bool Settings::*field) {
    Settings& s = settings_;
    Listen(checkBox, BN_CLICKED,
           Add(
               [checkBox, &s, field] {
                   SendMessageW(checkBox, BM_SETCHECK, s.*field ? BST_CHECKED : BST_UNCHECKED, 0);
               },
               [checkBox, &s, field] { s.*field = Ticked(checkBox); }));
}

void SettingsBinding::Bind(HWND list, std::int32_t Settings::*field) {
    Settings& s = settings_;
    Listen(list, CBN_SELCHANGE,
           Add([list, &s, field] { Select(list, s.*field); },
               [list, &s, field] { s.*field = Selected(list); }));
}

void SettingsBinding::Bind(HWND list, ScheduleUnit Settings::*field) {
    Settings& s = settings_;
    Listen(list, CBN_SELCHANGE,
           Add([list, &s, field] { Select(list, ScheduleUnitPosition(s.*field)); },
               [list, &s, field] { s.*field = ScheduleUnitAt(Selected(list)); }));
}

void SettingsBinding::Bind(RadioGroup& group, MultiScreen Settings::*field) {
    Settings& s = settings_;
    group.onClick =
        Then(std::move(group.onClick),
             Add([&group, &s, field] { group.SetItemIndex(MultiScreenChoicePosition(s.*field)); },
                 [&group, &s, field] { s.*field = MultiScreenChoice(group.itemIndex()); }));
}

void SettingsBinding::Bind(ColourPanel& panel, Colour Settings::*field) {
    Settings& s = settings_;
    panel.onColourChanged = Then(std::move(panel.onColourChanged),
                                 Add([&panel, &s, field] { panel.SetColour(s.*field); },
                                     [&panel, &s, field] { s.*field = panel.colour(); }));
}

void SettingsBinding::Bind(SpinEdit& box, std::int32_t Settings::*field) {
    Settings& s = settings_;
    Listen(box.edit(), EN_CHANGE,
           Add(
               [&box, &s, field] {
                   box.SetAllowedRange(s.frequencyMin, s.frequencyMax);
                   box.SetClampedValue(s.*field);
               },
               [&box, &s, field] {
                   s.*field = box.value();
                   s.frequencyMin = box.allowedMinimum();
                   s.frequencyMax = box.allowedMaximum();
               }));
}

void SettingsBinding::Bind(SpinEdit& box, std::uint64_t Settings::*field, std::uint64_t unit) {
    Settings& s = settings_;
    Listen(box.edit(), EN_CHANGE,
           Add(
               [&box, &s, field, unit] {
                   const std::uint64_t most = static_cast<std::uint64_t>(box.allowedMaximum());
                   box.SetClampedValue(static_cast<int>(std::min((s.*field) / unit, most)));
               },
               [&box, &s, field, unit] {
                   // A number half typed counts as the nearest one allowed.
                   const int value =
                       std::clamp(box.value(), box.allowedMinimum(), box.allowedMaximum());
                   s.*field = static_cast<std::uint64_t>(value) * unit;
               }));
}

void SettingsBinding::Bind(RadioGroup& group, HWND zoom, ImagePlacement Settings::*field) {
    Settings& s = settings_;
    const std::function<void()> changed = Add(
        [&group, zoom, &s, field] {
            group.SetItemIndex(PlacementModePosition((s.*field).mode));
            Select(zoom, ZoomPosition((s.*field).zoom));
        },
        [&group, zoom, &s, field] { s.*field = PlacementAt(group.itemIndex(), Selected(zoom)); });
    group.onClick = Then(std::move(group.onClick), changed);
    Listen(zoom, CBN_SELCHANGE, changed);
}

}  // namespace wylo::win
