// The settings file and the controls that show the settings.
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "session/Session.h"

namespace wylo::app {

void TFormMain::SettingsLoaded() {
    ApplySettingsToControls();
    const std::int32_t channel = session_->settings().currentChannel;
    if (channel != -1) {
        QComboBox* list = tsChannels->cbProviders;
        list->setCurrentIndex(list->findData(channel));
    }
}

void TFormMain::SaveSettings() {
    SyncSettingsFromControls();
    session_->SaveSettings();
}

void TFormMain::FillMonitorList(int count) {
    QComboBox* list = tsSettings->cbSingleMonitorToUse;
    list->clear();
    for (int i = 0; i < count; ++i) {
        list->addItem(QStringLiteral("Monitor %1").arg(i + 1), i);
    }
    list->setCurrentIndex(0);
}

void TFormMain::ArrangeSettingsPage(int monitorCount) {
    tsSettings->ArrangeSettingsPage(monitorCount);
}

void TFormMain::ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualSize) {
    tsSettings->ShowScreenMetrics(monitors, virtualSize);
}

void TFormMain::tsSettingsHide() {
    Guarded(this, [this] { SaveSettings(); });
}

void TFormMain::ApplySettingsToControls() {
    SettingsPage* s = tsSettings;
    const Settings& settings = session_->settings();
    // Each control is set as the user would set it; the settings are read
    // back once all are set.
    syncBlocked_ = true;
    s->rgMultiScreen->setItemIndex(settings.multiScreenOpt);
    s->cbIconTransparancyOverride->setChecked(settings.iconTransparency);
    s->cbRandomOrder->setChecked(settings.randomOrder);
    s->cbSingleMonitorToUse->setCurrentIndex(settings.activeSingleMonitor);
    s->cbEnableScheduler->setChecked(settings.enableScheduler);
    s->cbScheduleType->setCurrentIndex(settings.scheduleType);
    s->seScheduleFrequency->setAllowedRange(settings.frequencyMin, settings.frequencyMax);
    s->seScheduleFrequency->setClampedValue(settings.scheduleFrequency);
    s->pnBGColour->setColour(settings.bgColour);
    s->pnFGColour->setColour(settings.fgColour);
    s->cbBGOverride->setChecked(settings.bgOverride);
    s->cbIconTextOverride->setChecked(settings.iconTextOverride);
    syncBlocked_ = false;
    SyncSettingsFromControls();
}

void TFormMain::SyncSettingsFromControls() {
    if (syncBlocked_) {
        return;
    }
    const SettingsPage* s = tsSettings;
    Settings& settings = session_->settings();
    settings.multiScreenOpt = s->rgMultiScreen->itemIndex();
    settings.iconTransparency = s->cbIconTransparancyOverride->isChecked();
    settings.randomOrder = s->cbRandomOrder->isChecked();
    settings.activeSingleMonitor = s->cbSingleMonitorToUse->currentIndex();
    settings.enableScheduler = s->cbEnableScheduler->isChecked();
    settings.scheduleType = s->cbScheduleType->currentIndex();
    settings.scheduleFrequency = s->seScheduleFrequency->value();
    settings.frequencyMin = s->seScheduleFrequency->allowedMinimum();
    settings.frequencyMax = s->seScheduleFrequency->allowedMaximum();
    settings.bgColour = s->pnBGColour->colour();
    settings.fgColour = s->pnFGColour->colour();
    settings.bgOverride = s->cbBGOverride->isChecked();
    settings.iconTextOverride = s->cbIconTextOverride->isChecked();
}

}  // namespace wylo::app
