#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "settings/Settings.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace wylo::app {

class ColourPanel;
class RadioGroup;
class SpinEdit;

// Ties the settings page's controls to the settings, one call a control: the
// call shows the setting in the control whenever the settings are shown,
// writes each change the user makes straight back into the settings, and
// reports it with changed(). A setting the window shows is bound here and
// nowhere else.
class SettingsBinding : public QObject {
    Q_OBJECT
public:
    // settings must outlive the binding.
    explicit SettingsBinding(Settings& settings, QObject* parent = nullptr);

    void Bind(QCheckBox* box, bool Settings::*field);
    // The position of the entry chosen; -1 none.
    void Bind(QComboBox* list, std::int32_t Settings::*field);
    void Bind(QComboBox* list, ScheduleUnit Settings::*field);
    void Bind(RadioGroup* group, MultiScreen Settings::*field);
    void Bind(ColourPanel* panel, Colour Settings::*field);
    // The frequency with the range its unit allows.
    void Bind(SpinEdit* box, std::int32_t Settings::*field);
    // A size the box shows in units of unit bytes (the cache limit in
    // megabytes).
    void Bind(QSpinBox* box, std::uint64_t Settings::*field, std::uint64_t unit);
    // A placement: its mode in group, its zoom in zoom.
    void Bind(RadioGroup* group, QComboBox* zoom, ImagePlacement Settings::*field);
    // A switch the system keeps rather than the settings file: the box shows
    // read() whenever the settings are shown and at ShowSystemSwitches(), and
    // a click hands the new state to write(), which answers what the system
    // holds afterwards.
    void Bind(QCheckBox* box, std::function<bool()> read, std::function<bool(bool)> write);

    // Shows every bound setting in its control, as the user would set it,
    // then takes back what the controls allow (an entry a list does not
    // have, a frequency out of range).
    void ShowAll();
    // Shows again what the system holds for its switches: the user may have
    // changed it by other means while the page was away.
    void ShowSystemSwitches();

signals:
    // The user changed a setting.
    void changed();
    // Every bound setting has been shown.
    void shown();

private:
    // show sets the control from the settings, write the settings from the
    // control; connect calls its argument whenever the control changes.
    void Add(std::function<void()> show, std::function<void()> write,
             const std::function<void(std::function<void()>)>& connect);

    Settings& settings_;
    std::vector<std::function<void()>> shows_;
    std::vector<std::function<void()>> writes_;
    std::vector<std::function<void()>> systemShows_;
    bool showing_ = false;
};

}  // namespace wylo::app
