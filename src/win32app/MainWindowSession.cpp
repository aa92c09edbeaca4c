// What the session reports, shown in the window: the feedback of work, the
// start-up steps, the channel list, the subscription and the settings.
#include "win32app/Dialogs.h"
#include "win32app/MainWindow.h"
#include "win32app/Pictures.h"

namespace wylo::win {

void MainWindow::SetStatus(const std::string& text) {
    const std::wstring shown = Wide(text);
    Panel2->SetStatus(shown);
    if (tray) {
        const std::wstring brief = Wide(TrayStatusText(text));
        tray->SetHint(L"Wylo - " + brief);
        tray->SetNextChange(brief);
    }
}

void MainWindow::BusyBegin() {
    ++busyDepth_;
    FollowBusy();
}

void MainWindow::BusyEnd() {
    if (busyDepth_ > 0) {
        --busyDepth_;
    }
    FollowBusy();
}

void MainWindow::TransferBegin(std::int64_t expected) {
    Panel2->TransferBegin(expected);
}

void MainWindow::TransferWork(std::int64_t count) {
    Panel2->TransferWork(count);
}

void MainWindow::TransferEnd() {
    Panel2->TransferEnd();
}

void MainWindow::RunSoon(std::function<void()> work) {
    {
        const std::lock_guard lock(pendingMutex_);
        pending_.push_back(std::move(work));
    }
    // The handler runs all that waits; a message finding nothing left is
    // harmless. One message per piece keeps the work coming also inside the
    // loop of a message box or a menu.
    PostMessageW(postTo_, kRunSoonMessage, 0, 0);
}

void MainWindow::ShowStartPages() {
    SetActivePage(Page::Welcome);
    SetPageTabVisible(Page::News, false);
    SetPageTabVisible(Page::Images, false);
}

void MainWindow::FillMonitorList(int count) {
    tsSettings->FillMonitorList(count);
}

void MainWindow::ArrangeSettingsPage(int monitorCount) {
    tsSettings->ArrangeSettingsPage(monitorCount);
}

void MainWindow::ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualSize) {
    tsSettings->ShowScreenMetrics(monitors, virtualSize);
}

void MainWindow::SettingsLoaded() {
    binding_->ShowAll();
    const std::int32_t channel = session_->settings().currentChannel;
    if (channel != -1) {
        HWND list = tsChannels->cbProviders;
        const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
        LRESULT found = -1;
        for (LRESULT i = 0; i < count; ++i) {
            if (SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == channel) {
                found = i;
                break;
            }
        }
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }
}

void MainWindow::ShowCurrentImage(int image) {
    tsCurrentChannel->lbImages->SelectRow(image);
}

void MainWindow::SetSchedulerRunning(bool running) {
    if (running) {
        SetTimer(hwnd_, kScheduleTimerId, kScheduleIntervalMs, nullptr);
    } else {
        KillTimer(hwnd_, kScheduleTimerId);
    }
    timerRunning_ = running;
}

void MainWindow::ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                                    int currentChannel) {
    HWND list = tsChannels->cbProviders;
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    LRESULT current = -1;
    for (const auto& entry : entries) {
        const std::wstring title = Wide(entry.title);
        const LRESULT at =
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
        SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), entry.index);
        if (entry.index == currentChannel) {
            current = at;
        }
    }
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
    tsChannels->ShowRemoveButton();
    // The monitors' own channels are chosen from the same list.
    tsSettings->ShowMonitorChannels(*session_);
}

void MainWindow::ShowWelcomePage(const std::string& url) {
    tsWelcome->wbWelcome->Navigate(url);
}

void MainWindow::SelectedChannelChanged(const SelectedChannel& channel) {
    ChannelsPage& page = *tsChannels;
    if (channel.loaded) {
        SetWindowTextW(page.edTitle, Wide(channel.title).c_str());
        SetWindowTextW(page.edDescription, EditControlText(channel.description).c_str());
        SendMessageW(page.cbSubscription, BM_SETCHECK,
                     channel.subscriptionRequired ? BST_CHECKED : BST_UNCHECKED, 0);
        if (channel.hidePreview) {
            ShowWindow(page.iPreview->hwnd(), SW_HIDE);
        } else if (!channel.previewFile.empty()) {
            Guarded(hwnd_, [&] {
                page.iPreview->SetPicture(LoadPreviewPicture(channel.previewFile));
                ShowWindow(page.iPreview->hwnd(), SW_SHOW);
            });
        }
    }
    ShowWindow(page.sbSubscribe, channel.selectable ? SW_SHOW : SW_HIDE);
    ShowWindow(page.sbTerms, channel.selectable && !channel.termsUrl.empty() ? SW_SHOW : SW_HIDE);
}

void MainWindow::ClearSelectedChannel() {
    SetWindowTextW(tsChannels->edDescription, L"");
    SetWindowTextW(tsChannels->edTitle, L"");
    ShowWindow(tsChannels->sbSubscribe, SW_HIDE);
    ShowWindow(tsChannels->iPreview->hwnd(), SW_HIDE);
}

void MainWindow::SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& rows) {
    ImagesList& list = *tsCurrentChannel->lbImages;
    for (const SubscribedChannel::Row& row : rows) {
        list.SetRowHeight(row.image, row.height);
    }
    InvalidateRect(list.hwnd(), nullptr, TRUE);
}

void MainWindow::SubscribedChannelMarked(int channel) {
    tsChannels->MarkSubscribedChannel(channel);
}

void MainWindow::SubscribedChannelChanged(const SubscribedChannel& channel) {
    const std::wstring title = Wide(channel.title);
    const std::wstring copyright = Wide(channel.copyright);
    SetWindowTextW(tsChannelNews->lNewsChannelTitle, title.c_str());
    SetWindowTextW(tsCurrentChannel->lTitle, title.c_str());
    SetWindowTextW(tsChannelNews->lNewsChannelCopyright, copyright.c_str());
    SetWindowTextW(tsCurrentChannel->lCopyright, copyright.c_str());
    SetPageTabVisible(Page::News, !channel.news.empty());

    ImagesList& list = *tsCurrentChannel->lbImages;
    SendMessageW(list.hwnd(), WM_SETREDRAW, FALSE, 0);
    list.Clear();
    for (const SubscribedChannel::Row& row : channel.rows) {
        list.AddRow(row.caption, row.image, row.height);
    }
    if (channel.selectedImage >= 0) {
        list.SelectRow(channel.selectedImage);
    }
    SendMessageW(list.hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.hwnd(), nullptr, TRUE);
    if (!channel.news.empty()) {
        tsChannelNews->wbBrowser->Navigate(channel.news);
    }
}

void MainWindow::SubscriptionOpened(bool hasNews) {
    SetPageTabVisible(Page::Images, true);
    SetActivePage(hasNews ? Page::News : Page::Images);
}

void MainWindow::SubscriptionFailed(const std::string& message) {
    SetActivePage(Page::Channels);
    SetPageTabVisible(Page::Images, false);
    SetPageTabVisible(Page::News, false);
    MessageBoxes::Error(hwnd_, "Error", message);
}

void MainWindow::CacheMeasured(std::uintmax_t bytes) {
    tsSettings->ShowCacheSize(bytes);
}

void MainWindow::ShowError(const std::string& message) {
    ShowDefaultError(hwnd_, message);
}

void MainWindow::ShowExitProblem(const std::string& message) {
    // The window has gone and a logout may be waiting: no box. A debugger
    // or a debug viewer sees it, and so does a console that started Wylo.
    OutputDebugStringW((L"Wylo: " + Wide(message) + L"\n").c_str());
    SessionObserver::ShowExitProblem(message);
}

void MainWindow::ImageMarksChanged(const ImageMarks& marks) {
    tsCurrentChannel->lbImages->ShowImageMarks(marks);
}

void MainWindow::DesktopImagesChanged(const DesktopImages& shown) {
    tsCurrentChannel->lbImages->ShowDesktopImages(shown);
    if (tray) {
        tray->SetPictureShown(!shown.images.empty());
    }
}

void MainWindow::HistoryChanged(bool canGoBack, bool canGoForward) {
    Panel2->SetHistory(canGoBack, canGoForward);
    if (tray) {
        tray->SetHistory(canGoBack, canGoForward);
    }
}

}  // namespace wylo::win
