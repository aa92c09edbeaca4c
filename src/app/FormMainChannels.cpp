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
#include "app/SubscribedPages.h"
#include "app/WebView.h"
#include "channels/ChannelSession.h"
#include "channels/ChannelText.h"
#include "platform/Platform.h"

namespace wylo::app {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

const QString kDownloadProblem = QStringLiteral(
    "There was a problem downloading the channel control file. Sorry, can't continue with this "
    "channel");
const QString kLoadProblem = QStringLiteral(
    "There was a problem loading the channel control file. Sorry, can't continue with this "
    "channel");

}  // namespace

bool TFormMain::FetchChannelDirectory() {
    WorkScope work(*this);
    return session_->FetchChannelDirectory();
}

bool TFormMain::LoadChannelDirectory() {
    WorkScope work(*this);
    // Throws for a directory that does not parse; the list keeps its entries.
    if (!session_->OpenChannelDirectory()) {
        return false;
    }
    const auto entries = session_->BuildChannelList();
    QComboBox* list = tsChannels->cbProviders;
    list->clear();
    for (const auto& entry : entries) {
        list->addItem(Q(entry.title), entry.index);
    }
    list->setCurrentIndex(list->findData(settings_.currentChannel));
    cbProvidersChange();
    const std::string news = session_->directory().DirectoryProperty("news");
    if (!news.empty()) {
        tsWelcome->wbWelcome->Navigate(Q(news));
    }
    return true;
}

void TFormMain::cbProvidersChange() {
    ChannelsPage* page = tsChannels;
    if (page->cbProviders->currentIndex() < 0) {
        return;
    }
    WorkScope work(*this);
    const int index = page->cbProviders->currentData().toInt();
    // Whatever happens below, the buttons follow the channel now selected.
    const auto showButtons = [this, page] {
        const bool selected = !session_->selectedChannelId().empty();
        page->sbSubscribe->setVisible(selected);
        page->sbTerms->setVisible(selected && !termsUrl_.isEmpty());
    };
    try {
        session_->setSelectedChannelId(session_->directory().ChannelValue("id", index));
        if (session_->DownloadControlFile(index)) {
            session_->LoadControlFile(index);
            const ControlFile& file = session_->controlFile();
            page->edTitle->setText(Q(file.ControlFileValue("title")));
            page->edDescription->setPlainText(
                Q(ShownDescription(file.ControlFileValue("description"))));
            page->cbSubscription->setChecked(
                IsSubscriptionRequired(file.ControlFileValue("subscription")));
            termsUrl_ = Q(file.ControlFileValue("legal"));
            previewUrl_ = Q(file.ControlFileValue("preview"));
            if (!previewUrl_.isEmpty()) {
                const std::filesystem::path local =
                    session_->FetchPreview(previewUrl_.toStdString());
                if (!local.empty()) {
                    page->iPreview->setPicture(LoadPreviewPicture(local));
                    page->iPreview->show();
                }
            } else {
                page->iPreview->hide();
            }
        }
    } catch (...) {
        showButtons();
        throw;
    }
    showButtons();
}

void TFormMain::sbRefreshClick() {
    WorkScope work(*this);
    session_->directory().Close();
    FetchChannelDirectory();
    LoadChannelDirectory();
    tsChannels->edDescription->clear();
    tsChannels->edTitle->clear();
    tsChannels->sbSubscribe->hide();
    tsChannels->iPreview->hide();
}

void TFormMain::sbTermsClick() {
    ShellOpen(termsUrl_);
}

void TFormMain::ShellOpen(const QString& target) {
    // Only web addresses: a channel cannot make Wylo run or open anything else.
    platform_.OpenUrl(target.toStdString());
}

void TFormMain::ShowSubscribedChannel() {
    const ControlFile& file = session_->controlFile();
    const QString title = Q(file.ControlFileValue("title"));
    const QString copyright = Q(file.ControlFileValue("copyright"));
    tsChannelNews->lNewsChannelTitle->setText(title);
    tsCurrentChannel->lTitle->setText(title);
    tsChannelNews->lNewsChannelCopyright->setText(copyright);
    tsCurrentChannel->lCopyright->setText(copyright);

    const std::string news = file.ControlFileValue("news");
    setPageTabVisible(tsChannelNews, !news.empty());

    ImagesList* list = tsCurrentChannel->lbImages;
    list->clear();
    const int count = file.ImageCount();
    for (int i = 0; i < count; ++i) {
        list->AddRow(Q(ImageCaption(file.ImageValue("title", i), file.ImageValue("loc", i))), i);
    }
    if (!news.empty()) {
        tsChannelNews->wbBrowser->Navigate(Q(news));
    }
}

void TFormMain::sbSubscribeClick() {
    QComboBox* list = tsChannels->cbProviders;
    if (list->currentIndex() < 0) {
        return;
    }
    WorkScope work(*this);
    tsCurrentChannel->lbImages->setMaxThumbWidth(0);
    settings_.currentChannel = list->currentData().toInt();
    if (!session_->DownloadControlFile(settings_.currentChannel)) {
        FailSubscription(kDownloadProblem);
        return;
    }
    setPageTabVisible(tsCurrentChannel, true);
    if (!session_->LoadControlFile(settings_.currentChannel)) {
        FailSubscription(kLoadProblem);
        return;
    }
    ShowSubscribedChannel();
    PageControl1->setCurrentWidget(isPageTabVisible(tsChannelNews)
                                       ? static_cast<QWidget*>(tsChannelNews)
                                       : static_cast<QWidget*>(tsCurrentChannel));
}

void TFormMain::FailSubscription(const QString& message) {
    // The channel stays chosen, so the next start tries it again.
    PageControl1->setCurrentWidget(tsChannels);
    setPageTabVisible(tsCurrentChannel, false);
    setPageTabVisible(tsChannelNews, false);
    MessageBox::Error(this, QStringLiteral("Error"), message);
}

}  // namespace wylo::app
