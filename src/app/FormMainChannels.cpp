// The channel list, the welcome page and the subscription.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

#include "app/ChannelsPage.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/ImagesList.h"
#include "app/Pictures.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "app/WebView.h"
#include "base/ChannelIndex.h"
#include "session/Session.h"

namespace wylo::app {
void TFormMain::cbProvidersChange() {
    ShowRemoveButton();
    if (tsChannels->cbProviders->currentIndex() >= 0) {
        session_->SelectChannel(tsChannels->cbProviders->currentData().toInt());
    }
}

void TFormMain::sbRefreshClick() {
    session_->RefreshChannelList();
}

void TFormMain::AddAddressClick() {
    if (const std::optional<QString> address = SourceDialog::GetAddress(this)) {
        session_->AddOwnChannel(OwnChannel::Kind::Address, address->toStdString());
    }
}

void TFormMain::AddFolderClick() {
    if (const std::optional<QString> folder = SourceDialog::GetFolder(this)) {
        session_->AddOwnChannel(OwnChannel::Kind::Folder, folder->toStdString());
    }
}

void TFormMain::sbRemoveClick() {
    if (tsChannels->cbProviders->currentIndex() >= 0) {
        session_->RemoveOwnChannel(tsChannels->cbProviders->currentData().toInt());
    }
}

void TFormMain::ShowRemoveButton() {
    const QComboBox* list = tsChannels->cbProviders;
    tsChannels->sbRemove->setVisible(list->currentIndex() >= 0 &&
                                     list->currentData().toInt() >= kOwnChannelBase);
}

void TFormMain::sbTermsClick() {
    session_->OpenTerms();
}

void TFormMain::ShellOpen(const QString& target) {
    session_->OpenUrl(target.toStdString());
}

void TFormMain::sbSubscribeClick() {
    if (tsChannels->cbProviders->currentIndex() >= 0) {
        session_->Subscribe(tsChannels->cbProviders->currentData().toInt());
    }
}

void TFormMain::ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                                   int currentChannel) {
    QComboBox* list = tsChannels->cbProviders;
    list->clear();
    for (const auto& entry : entries) {
        list->addItem(Q(entry.title), entry.index);
    }
    list->setCurrentIndex(list->findData(currentChannel));
    ShowRemoveButton();
    // The monitors' own channels are chosen from the same list.
    tsSettings->ShowMonitorChannels(*session_);
}

void TFormMain::ShowWelcomePage(const std::string& url) {
    tsWelcome->wbWelcome->Navigate(Q(url));
}

void TFormMain::SelectedChannelChanged(const SelectedChannel& channel) {
    ChannelsPage* page = tsChannels;
    if (channel.loaded) {
        page->edTitle->setText(Q(channel.title));
        page->edDescription->setPlainText(Q(channel.description));
        page->cbSubscription->setChecked(channel.subscriptionRequired);
        if (channel.hidePreview) {
            page->iPreview->hide();
        } else if (!channel.previewFile.empty()) {
            Guarded(this, [&] {
                page->iPreview->setPicture(LoadPreviewPicture(channel.previewFile));
                page->iPreview->show();
            });
        }
    }
    page->sbSubscribe->setVisible(channel.selectable);
    page->sbTerms->setVisible(channel.selectable && !channel.termsUrl.empty());
}

void TFormMain::ClearSelectedChannel() {
    tsChannels->edDescription->clear();
    tsChannels->edTitle->clear();
    tsChannels->sbSubscribe->hide();
    tsChannels->iPreview->hide();
}

void TFormMain::SubscribedChannelChanged(const SubscribedChannel& channel) {
    tsChannelNews->lNewsChannelTitle->setText(Q(channel.title));
    tsCurrentChannel->lTitle->setText(Q(channel.title));
    tsChannelNews->lNewsChannelCopyright->setText(Q(channel.copyright));
    tsCurrentChannel->lCopyright->setText(Q(channel.copyright));
    setPageTabVisible(tsChannelNews, !channel.news.empty());

    ImagesList* list = tsCurrentChannel->lbImages;
    list->clear();
    for (const SubscribedChannel::Row& row : channel.rows) {
        list->AddRow(Q(row.caption), row.image, row.height);
    }
    if (channel.selectedImage >= 0) {
        list->selectRow(channel.selectedImage);
    }
    if (!channel.news.empty()) {
        tsChannelNews->wbBrowser->Navigate(Q(channel.news));
    }
}

void TFormMain::SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& rows) {
    std::vector<std::pair<int, int>> heights;
    for (const SubscribedChannel::Row& row : rows) {
        heights.emplace_back(row.image, row.height);
    }
    tsCurrentChannel->lbImages->SetRowHeights(heights);
}

void TFormMain::SubscribedChannelMarked(int channel) {
    tsChannels->MarkSubscribedChannel(channel);
}

void TFormMain::SubscriptionOpened(bool hasNews) {
    setPageTabVisible(tsCurrentChannel, true);
    PageControl1->setCurrentWidget(hasNews ? static_cast<QWidget*>(tsChannelNews)
                                           : static_cast<QWidget*>(tsCurrentChannel));
}

void TFormMain::SubscriptionFailed(const std::string& message) {
    PageControl1->setCurrentWidget(tsChannels);
    setPageTabVisible(tsCurrentChannel, false);
    setPageTabVisible(tsChannelNews, false);
    MessageBox::Error(this, QStringLiteral("Error"), Q(message));
}

}  // namespace wylo::app
