// The settings file and the controls that show the settings.
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/SettingsBinding.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "session/Session.h"

namespace wylo::app {

void TFormMain::SettingsLoaded() {
    binding_->ShowAll();
    const std::int32_t channel = session_->settings().currentChannel;
    if (channel != -1) {
        QComboBox* list = tsChannels->cbProviders;
        list->setCurrentIndex(list->findData(channel));
    }
}

void TFormMain::SaveSettings() {
    session_->SaveSettings();
}

void TFormMain::FillMonitorList(int count) {
    tsSettings->FillMonitorLists(count);
}

void TFormMain::ArrangeSettingsPage(int monitorCount) {
    tsSettings->ArrangeSettingsPage(monitorCount);
}

void TFormMain::ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualSize) {
    tsSettings->ShowScreenMetrics(monitors, virtualSize);
}

void TFormMain::tsSettingsShow() {
    binding_->ShowSystemSwitches();
    tsSettings->ShowHiddenCount(session_->hiddenCount());
    session_->MeasureCache();
}

void TFormMain::CacheMeasured(std::uintmax_t bytes) {
    tsSettings->ShowCacheSize(bytes);
}

void TFormMain::tsSettingsHide() {
    SaveSettings();
}

}  // namespace wylo::app
