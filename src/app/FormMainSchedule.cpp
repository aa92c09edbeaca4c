// The schedule, "Change Now" and the hand-picked image.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

#include "app/AppFeedback.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "base/Clock.h"
#include "schedule/DesktopChange.h"
#include "schedule/FrequencyRange.h"
#include "schedule/ScheduleTick.h"

namespace wylo::app {

void TFormMain::tScheduleTimer() {
    // A tick that finds other work running is skipped; the next one decides
    // afresh.
    if (workDepth_ > 0 || !settingsLoaded_) {
        return;
    }
    tSchedule->stop();
    QString error;
    {
        WorkScope work(*this);
        try {
            scheduler_->Tick(clock_.Now());
        } catch (const std::exception& e) {
            error = QString::fromStdString(e.what());
        }
    }
    if (tsSettings->cbEnableScheduler->isChecked()) {
        tSchedule->start();
    }
    if (!error.isEmpty()) {
        ShowDefaultError(this, error);
    }
}

void TFormMain::sbChangeNowClick() {
    scheduler_->forceChange = true;
}

void TFormMain::cbEnableSchedulerClick() {
    SettingsPage* s = tsSettings;
    const bool on = s->cbEnableScheduler->isChecked();
    s->gbSchedule->setEnabled(on);
    s->Label7->setEnabled(on);
    s->seScheduleFrequency->setEnabled(on);
    s->cbScheduleType->setEnabled(on);
    // No tick before the settings are read.
    if (on && settingsLoaded_) {
        tSchedule->start();
    } else {
        tSchedule->stop();
    }
    SyncSettingsFromControls();
}

void TFormMain::cbScheduleTypeChange(int index) {
    PickScheduleUnit(settings_, index);
    tsSettings->seScheduleFrequency->setAllowedRange(settings_.frequencyMin,
                                                     settings_.frequencyMax);
}

void TFormMain::ChangeDesktop(int index) {
    WorkScope work(*this);
    change_->ChangeDesktop(index);
}

void TFormMain::lbImagesDblClick() {
    const int row = tsCurrentChannel->lbImages->selectedRow();
    if (workDepth_ > 0) {
        // Installed when the running work ends, so the user's pick comes last.
        hasPendingPick_ = true;
        pendingPick_ = row;
        AfterWork();
        return;
    }
    PutImageOnDesktop(row);
}

void TFormMain::PutImageOnDesktop(int row) {
    WorkScope work(*this);
    const BusyScope busy(*feedback_);
    try {
        settings_.currentImage = row;
        ChangeDesktop(row);
        settings_.lastChange = clock_.Now();
        SaveSettings();
    } catch (const std::exception&) {
        // A failed hand-picked change ends quietly: what was done stays, the
        // rest is skipped.
    }
}

}  // namespace wylo::app
