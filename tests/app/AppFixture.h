#pragma once

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/WebView.h"
#include "base/Clock.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo::test {

// One published channel: its control file and pictures.
struct ChannelSpec {
    ChannelSpec(std::string channelId, std::string channelTitle)
        : id(std::move(channelId)), title(std::move(channelTitle)) {}

    std::string id;
    std::string title;
    std::string description;
    std::string subscription;
    std::string legal;
    std::string news;
    std::string copyright;
    bool preview = true;
    // Thumbnail widths and heights of its images (one image per entry).
    std::vector<std::pair<int, int>> thumbs = {{120, 75}, {80, 75}, {100, 75}};
    // Image titles; empty ones fall back to the file name.
    std::vector<std::string> imageTitles;
};

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
        std::string providers;
        for (const ChannelSpec& c : channels) {
            providers += "<channel><id>" + c.id + "</id><url>" +
                         server.Url("/c/" + c.id + "/Channel.xml") + "</url></channel>";
            PublishChannel(c);
        }
        std::string properties;
        if (!news.empty()) {
            properties = "<PROPERTIES><news>" + news + "</news></PROPERTIES>";
        }
        server.Serve("/wylo/wylo.xml",
                     "<wylo>" + properties + "<PROVIDERS>" + providers + "</PROVIDERS></wylo>");
    }

    void PublishChannel(const ChannelSpec& c) {
        const std::string base = "/c/" + c.id + "/";
        std::string images;
        for (std::size_t i = 0; i < c.thumbs.size(); ++i) {
            const std::string n = std::to_string(i);
            const Bitmap thumb = PhotoPattern(c.thumbs[i].first, c.thumbs[i].second,
                                              static_cast<std::uint32_t>(i + 1));
            server.Serve(base + "thumbs/t" + n + ".jpg", EncodeJpeg(thumb), std::nullopt,
                         "image/jpeg");
            Bitmap image(64, 48);
            image.Fill(MakeColour(200, 100, 40 * static_cast<int>(i)));
            server.Serve(base + "images/i" + n + ".jpg", EncodeJpeg(image), std::nullopt,
                         "image/jpeg");
            const std::string title =
                i < c.imageTitles.size() ? c.imageTitles[i] : "Picture " + std::to_string(i + 1);
            images += "<image><loc>" + server.Url(base + "images/i" + n + ".jpg") +
                      "</loc><thumb>" + server.Url(base + "thumbs/t" + n + ".jpg") +
                      "</thumb><title>" + title +
                      "</title><background>#102030</background><font>#FFFFFF</font></image>";
        }
        std::string preview;
        if (c.preview) {
            server.Serve(base + "preview.jpg", EncodeJpeg(QuadrantPattern(160, 100)), std::nullopt,
                         "image/jpeg");
            preview = "<preview>" + server.Url(base + "preview.jpg") + "</preview>";
        }
        server.Serve(base + "Channel.xml", "<provider><title>" + c.title + "</title><description>" +
                                               c.description + "</description><subscription>" +
                                               c.subscription + "</subscription><legal>" + c.legal +
                                               "</legal>" + preview + "<copyright>" + c.copyright +
                                               "</copyright><news>" + c.news + "</news><images>" +
                                               images + "</images></provider>");
    }

    // Writes the settings file before the window starts.
    void WriteSettings(const std::string& body) {
        std::filesystem::create_directories(appFolder());
        WriteFile(settingsFile(), "[Settings]\n" + body);
    }

    std::unique_ptr<app::TFormMain> MakeForm() {
        return std::make_unique<app::TFormMain>(platform, clock, directoryUrl());
    }
    // A window that has run its start-up sequence.
    std::unique_ptr<app::TFormMain> StartForm() {
        auto form = MakeForm();
        form->FormCreate();
        return form;
    }

    static QList<app::MessageBox::Shown> Boxes() { return app::MessageBox::recorded(); }

    TempDir root;
    TestHttpServer server;
    FakePlatform platform;
    ManualClock clock;
};

}  // namespace wylo::test
