// The settings file and the controls that show the settings.
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "settings/SettingsFile.h"

namespace wylo::app {

void TFormMain::LoadSettings() {
    wylo::LoadSettings(SettingsFilePath(platform_), settings_, platform_, clock_,
                       tsSettings->cbSingleMonitorToUse->count());
    ApplySettingsToControls();
    settingsLoaded_ = true;
    if (tsSettings->cbEnableScheduler->isChecked()) {
        tSchedule->start();
    } else {
        tSchedule->stop();
    }
    if (settings_.currentChannel != -1) {
        QComboBox* list = tsChannels->cbProviders;
        list->setCurrentIndex(list->findData(settings_.currentChannel));
        sbSubscribeClick();
    }
    tsCurrentChannel->lbImages->selectRow(settings_.currentImage);
}

void TFormMain::SaveSettings() {
    SyncSettingsFromControls();
    wylo::SaveSettings(SettingsFilePath(platform_), settings_, platform_);
}

void TFormMain::ApplySettingsToControls() {
    SettingsPage* s = tsSettings;
    // Each control is set as the user would set it; the settings are read
    // back once all are set.
    syncBlocked_ = true;
    s->rgMultiScreen->setItemIndex(settings_.multiScreenOpt);
    s->cbIconTransparancyOverride->setChecked(settings_.iconTransparency);
    s->cbRandomOrder->setChecked(settings_.randomOrder);
    s->cbSingleMonitorToUse->setCurrentIndex(settings_.activeSingleMonitor);
    s->cbEnableScheduler->setChecked(settings_.enableScheduler);
    s->cbScheduleType->setCurrentIndex(settings_.scheduleType);
    s->seScheduleFrequency->setAllowedRange(settings_.frequencyMin, settings_.frequencyMax);
    s->seScheduleFrequency->setClampedValue(settings_.scheduleFrequency);
    s->pnBGColour->setColour(settings_.bgColour);
    s->pnFGColour->setColour(settings_.fgColour);
    s->cbBGOverride->setChecked(settings_.bgOverride);
    s->cbIconTextOverride->setChecked(settings_.iconTextOverride);
    syncBlocked_ = false;
    SyncSettingsFromControls();
}

void TFormMain::SyncSettingsFromControls() {
    if (syncBlocked_) {
        return;
    }
    const SettingsPage* s = tsSettings;
    settings_.multiScreenOpt = s->rgMultiScreen->itemIndex();
    settings_.iconTransparency = s->cbIconTransparancyOverride->isChecked();
    settings_.randomOrder = s->cbRandomOrder->isChecked();
    settings_.activeSingleMonitor = s->cbSingleMonitorToUse->currentIndex();
    settings_.enableScheduler = s->cbEnableScheduler->isChecked();
    settings_.scheduleType = s->cbScheduleType->currentIndex();
    settings_.scheduleFrequency = s->seScheduleFrequency->value();
    settings_.frequencyMin = s->seScheduleFrequency->allowedMinimum();
    settings_.frequencyMax = s->seScheduleFrequency->allowedMaximum();
    settings_.bgColour = s->pnBGColour->colour();
    settings_.fgColour = s->pnFGColour->colour();
    settings_.bgOverride = s->cbBGOverride->isChecked();
    settings_.iconTextOverride = s->cbIconTextOverride->isChecked();
}

}  // namespace wylo::app
