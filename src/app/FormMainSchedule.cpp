// The schedule, "Change Now" and the hand-picked image.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "app/Controls.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "app/TrayIcon.h"
#include "base/Clock.h"
#include "schedule/FrequencyRange.h"
#include "session/Session.h"

namespace wylo::app {

void TFormMain::tScheduleTimer() {
    session_->Tick(clock_.Now());
}

void TFormMain::SetSchedulerRunning(bool running) {
    if (running) {
        tSchedule->start();
    } else {
        tSchedule->stop();
    }
}

void TFormMain::sbChangeNowClick() {
    session_->ChangeNow();
}

void TFormMain::cbEnableSchedulerClick() {
    SettingsPage* s = tsSettings;
    const bool on = s->cbEnableScheduler->isChecked();
    s->gbSchedule->setEnabled(on);
    s->Label7->setEnabled(on);
    s->seScheduleFrequency->setEnabled(on);
    s->cbScheduleType->setEnabled(on);
    session_->SetSchedulerEnabled(on);
}

void TFormMain::cbScheduleTypeChange(int index) {
    Settings& settings = session_->settings();
    PickScheduleUnit(settings, ScheduleUnitAt(index));
    tsSettings->seScheduleFrequency->setAllowedRange(settings.frequencyMin, settings.frequencyMax);
}

void TFormMain::lbImagesDblClick() {
    session_->PickImage(tsCurrentChannel->lbImages->selectedRow());
}

void TFormMain::ShowCurrentImage(int image) {
    tsCurrentChannel->lbImages->selectRow(image);
}

void TFormMain::sbPreviousClick() {
    session_->GoBack();
}

void TFormMain::sbNextClick() {
    session_->GoForward();
}

void TFormMain::DesktopImagesChanged(const DesktopImages& shown) {
    tsCurrentChannel->lbImages->ShowDesktopImages(shown);
    tray->Keep1->setEnabled(!shown.images.empty());
    tray->NeverAgain1->setEnabled(!shown.images.empty());
}

void TFormMain::ImageMarksChanged(const ImageMarks& marks) {
    tsCurrentChannel->lbImages->ShowImageMarks(marks);
}

void TFormMain::HistoryChanged(bool canGoBack, bool canGoForward) {
    sbPrevious->setEnabled(canGoBack);
    tray->Previous1->setEnabled(canGoBack);
    sbNext->setEnabled(canGoForward);
    tray->Next1->setEnabled(canGoForward);
}

}  // namespace wylo::app
