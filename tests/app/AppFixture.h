#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/WebView.h"
#include "base/Clock.h"
#include "channels/DownloadGate.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "support/JpegWriter.h"
#include "support/PublishedChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo::test {

// A world for the window: a fake system whose shared folder is a temporary
// folder, a real HTTP server on loopback publishing channels, and a clock
// that stands still.
class AppWorld {
public:
    AppWorld() : platform(root.path() / "shared"), clock(EncodeDateTime({2026, 12, 8, 12, 0, 0})) {
        app::MessageBox::setRecording(true);
        app::MessageBox::clearRecorded();
        app::WebView::setHelperEnabled(false);
    }

    std::filesystem::path appFolder() const { return AppFolder(platform); }
    std::filesystem::path settingsFile() const { return appFolder() / "Wylo.ini"; }
    std::string directoryUrl() const { return server.Url("/wylo/wylo.xml"); }

    // Publishes the directory listing the channels and each channel's files.
    void Publish(const std::vector<ChannelSpec>& channels, const std::string& news = {}) {
        PublishChannels(server, channels, news);
    }
    void PublishChannel(const ChannelSpec& c) { test::PublishChannel(server, c); }

    // A small photograph to serve.
    static std::string Picture() {
        Bitmap picture(64, 48);
        picture.Fill(MakeColour(10, 20, 30));
        return EncodeJpeg(picture);
    }

    // The host holds its answer for path back until gate opens (or 30
    // seconds pass), then sends body, or a 404 without one. HEAD requests are
    // answered at once.
    void Hold(const std::string& path, std::shared_ptr<Gate> gate, std::string body = {}) {
        server.Route(path, [gate, body = std::move(body)](const httplib::Request& req,
                                                          httplib::Response& res) {
            if (req.method != "HEAD") {
                gate->Wait(std::chrono::seconds(30));
            }
            if (body.empty()) {
                res.status = 404;
            } else {
                res.set_content(body, "image/jpeg");
            }
        });
    }

    // Writes the settings file before the window starts.
    void WriteSettings(const std::string& body) {
        std::filesystem::create_directories(appFolder());
        WriteFile(settingsFile(), "[Settings]\n" + body);
    }

    std::unique_ptr<app::TFormMain> MakeForm() {
        return std::make_unique<app::TFormMain>(platform, clock, directoryUrl());
    }
    // A window that has run its start-up sequence, and the work it started.
    std::unique_ptr<app::TFormMain> StartForm() {
        auto form = MakeForm();
        form->FormCreate();
        if (!Settle(*form)) {
            QTest::qFail("the start-up's work did not end", __FILE__, __LINE__);
        }
        return form;
    }

    // Lets the window's event loop run until the work the session runs beside
    // the window has ended and its results are shown. False when that takes
    // longer than limit.
    [[nodiscard]] static bool Settle(app::TFormMain& form,
                                     std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        QDeadlineTimer deadline(limit);
        while (!deadline.hasExpired()) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            if (!form.isWorking()) {
                return true;
            }
            QTest::qWait(1);
        }
        return false;
    }

    static QList<app::MessageBox::Shown> Boxes() { return app::MessageBox::recorded(); }

    TempDir root;
    TestHttpServer server;
    FakePlatform platform;
    ManualClock clock;
};

}  // namespace wylo::test
