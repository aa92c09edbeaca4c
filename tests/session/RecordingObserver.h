#pragma once

#include <functional>
#include <string>
#include <vector>

#include "session/SessionObserver.h"
#include "support/PostedWork.h"

namespace wylo::test {

// An observer that remembers what the window would have shown; what the
// session posts back waits until the test runs it, as a window's events do.
class RecordingObserver : public SessionObserver {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SettingsLoaded() override { ++settingsLoads; }
    void ShowCurrentImage(int image) override { shownImages.push_back(image); }
    void SetSchedulerRunning(bool running) override { schedulerRunning = running; }
    void ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                            int) override {
        channelList = entries;
    }
    void SelectedChannelChanged(const SelectedChannel& channel) override { selected = channel; }
    void SubscribedChannelChanged(const SubscribedChannel& channel) override {
        subscribed = channel;
    }
    void SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& rows) override {
        measured.insert(measured.end(), rows.begin(), rows.end());
    }
    void SubscriptionOpened(bool hasNews) override { opened.push_back(hasNews); }
    void SubscriptionFailed(const std::string& message) override { failures.push_back(message); }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ShowExitProblem(const std::string& message) override { exitProblems.push_back(message); }
    void RunSoon(std::function<void()> work) override { posted.Post(std::move(work)); }

    std::vector<std::string> statuses;
    std::vector<std::string> errors;
    std::vector<std::string> exitProblems;
    std::vector<std::string> failures;
    std::vector<bool> opened;
    std::vector<int> shownImages;
    std::vector<ChannelSession::ChannelListEntry> channelList;
    SelectedChannel selected;
    SubscribedChannel subscribed;
    std::vector<SubscribedChannel::Row> measured;
    PostedWork posted;
    int settingsLoads = 0;
    bool schedulerRunning = false;
};

}  // namespace wylo::test
