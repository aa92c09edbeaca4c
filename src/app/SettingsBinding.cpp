#include "app/SettingsBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <algorithm>
#include <utility>

#include "app/Controls.h"
#include "base/Choices.h"
#include "settings/PlacementChoice.h"

namespace wylo::app {

SettingsBinding::SettingsBinding(Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

void SettingsBinding::Add(std::function<void()> show, std::function<void()> write,
                          const std::function<void(std::function<void()>)>& connect) {
    connect([this, write] {
        // The program showing the settings is no change of the user's.
        if (!showing_) {
            write();
            emit changed();
        }
    });
    shows_.push_back(std::move(show));
    writes_.push_back(std::move(write));
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
    emit shown();
}

void SettingsBinding::ShowSystemSwitches() {
    for (const auto& show : systemShows_) {
        show();
    }
}

void SettingsBinding::Bind(QCheckBox* box, std::function<bool()> read,
                           std::function<bool(bool)> write) {
    systemShows_.push_back([box, read] { box->setChecked(read()); });
    // clicked, not toggled: only the user's clicks go to the system.
    connect(box, &QCheckBox::clicked, this,
            [box, write = std::move(write)](bool on) { box->setChecked(write(on)); });
}

void SettingsBinding::Bind(QCheckBox* box, bool Settings::*field) {
    Settings& s = settings_;
    Add([box, &s, field] { box->setChecked(s.*field); },
        [box, &s, field] { s.*field = box->isChecked(); },
        [this, box](std::function<void()> f) { connect(box, &QCheckBox::toggled, this, f); });
}

void SettingsBinding::Bind(QComboBox* list, std::int32_t Settings::*field) {
    Settings& s = settings_;
    Add([list, &s, field] { list->setCurrentIndex(s.*field); },
        [list, &s, field] { s.*field = list->currentIndex(); },
        [this, list](std::function<void()> f) {
            connect(list, &QComboBox::currentIndexChanged, this, f);
        });
}

void SettingsBinding::Bind(QComboBox* list, ScheduleUnit Settings::*field) {
    Settings& s = settings_;
    Add([list, &s, field] { list->setCurrentIndex(ScheduleUnitPosition(s.*field)); },
        [list, &s, field] { s.*field = ScheduleUnitAt(list->currentIndex()); },
        [this, list](std::function<void()> f) {
            connect(list, &QComboBox::currentIndexChanged, this, f);
        });
}

void SettingsBinding::Bind(RadioGroup* group, MultiScreen Settings::*field) {
    Settings& s = settings_;
    Add([group, &s, field] { group->setItemIndex(MultiScreenChoicePosition(s.*field)); },
        [group, &s, field] { s.*field = MultiScreenChoice(group->itemIndex()); },
        [this, group](std::function<void()> f) { connect(group, &RadioGroup::clicked, this, f); });
}

void SettingsBinding::Bind(ColourPanel* panel, Colour Settings::*field) {
    Settings& s = settings_;
    Add([panel, &s, field] { panel->setColour(s.*field); },
        [panel, &s, field] { s.*field = panel->colour(); },
        [this, panel](std::function<void()> f) {
            connect(panel, &ColourPanel::colourChanged, this, f);
        });
}

void SettingsBinding::Bind(SpinEdit* box, std::int32_t Settings::*field) {
    Settings& s = settings_;
    Add(
        [box, &s, field] {
            box->setAllowedRange(s.frequencyMin, s.frequencyMax);
            box->setClampedValue(s.*field);
        },
        [box, &s, field] {
            s.*field = box->value();
            s.frequencyMin = box->allowedMinimum();
            s.frequencyMax = box->allowedMaximum();
        },
        [this, box](std::function<void()> f) { connect(box, &QSpinBox::valueChanged, this, f); });
}

void SettingsBinding::Bind(QSpinBox* box, std::uint64_t Settings::*field, std::uint64_t unit) {
    Settings& s = settings_;
    Add(
        [box, &s, field, unit] {
            // Brought into the box's range; the write that follows keeps that.
            const std::uint64_t units = (s.*field) / unit;
            box->setValue(static_cast<int>(
                std::clamp<std::uint64_t>(units, static_cast<std::uint64_t>(box->minimum()),
                                          static_cast<std::uint64_t>(box->maximum()))));
        },
        [box, &s, field, unit] { s.*field = static_cast<std::uint64_t>(box->value()) * unit; },
        [this, box](std::function<void()> f) { connect(box, &QSpinBox::valueChanged, this, f); });
}

void SettingsBinding::Bind(RadioGroup* group, QComboBox* zoom, ImagePlacement Settings::*field) {
    Settings& s = settings_;
    Add(
        [group, zoom, &s, field] {
            group->setItemIndex(PlacementModePosition((s.*field).mode));
            zoom->setCurrentIndex(ZoomPosition((s.*field).zoom));
        },
        [group, zoom, &s, field] {
            s.*field = PlacementAt(group->itemIndex(), zoom->currentIndex());
        },
        [this, group, zoom](const std::function<void()>& f) {
            connect(group, &RadioGroup::clicked, this, f);
            connect(zoom, &QComboBox::currentIndexChanged, this, f);
        });
}

}  // namespace wylo::app
