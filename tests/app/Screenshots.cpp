// Takes a picture of every page of the real window, with a channel served on
// loopback, for the documentation and for checking the look by eye.
//   wylo-screenshots <folder> [monitors]
// Run it on a real X server (Xvfb) so the web pages show; set QT_SCALE_FACTOR
// to see another display scaling.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "AppFixture.h"
#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"

using namespace wylo;
using namespace wylo::test;

namespace {

void Settle(int ms) {
    QTest::qWait(ms);
}

void Grab(app::TFormMain& form, const QString& file) {
    QScreen* screen = form.screen();
    const QPixmap shot = form.windowHandle() && QGuiApplication::platformName() == "xcb"
                             ? screen->grabWindow(form.winId())
                             : form.grab();
    if (!shot.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: wylo-screenshots <folder> [monitors]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const int monitors = argc > 2 ? std::atoi(argv[2]) : 1;

    AppWorld world;
    app::MessageBox::setRecording(false);
    app::WebView::setHelperEnabled(true);
    app::WebView::setHelperPath(QStringLiteral(WYLO_WEB_HELPER));
    if (monitors >= 2) {
        world.platform.SetMonitors({{{0, 0, 1920, 1080}, true}, {{-1280, 0, 0, 1024}, false}});
    }
    const std::string css =
        "body{font-family:sans-serif;margin:24px;background:#f4f7fb;color:#223}"
        "h1{color:#1f5fa8}";
    world.server.Serve(
        "/news/welcome.html",
        "<html><head><style>" + css +
            "</style></head><body><h1>Welcome to Wylo</h1><p>Pick a channel on "
            "the <b>Channels List</b> page and subscribe to it: its photographs "
            "then come to your desktop on the schedule you choose.</p></body></html>",
        std::nullopt, "text/html");
    world.server.Serve("/news/dunes.html",
                       "<html><head><style>" + css +
                           "</style></head><body><h1>Dunes: new this week</h1><p>Three new "
                           "pictures from the Namib desert at first light.</p></body></html>",
                       std::nullopt, "text/html");
    ChannelSpec dunes("dunes", "Desert Dunes");
    dunes.description = "Sand seas at dawn and dusk.\nNew pictures every week.";
    dunes.legal = "http://example.com/terms";
    dunes.news = world.server.Url("/news/dunes.html");
    dunes.copyright = "(c) Desert Light Photography";
    dunes.imageTitles = {"Namib at Dawn", "Sossusvlei", "Red Ridge"};
    dunes.thumbs = {{120, 75}, {100, 75}, {120, 75}};
    ChannelSpec coast("coast", "Coastlines");
    world.Publish({dunes, coast}, world.server.Url("/news/welcome.html"));
    world.WriteSettings("CurrentChannel=0\nCurrentImage=2\nRandomOrder=0\n");

    auto form = world.MakeForm();
    form->show();
    form->FormCreate();
    // Three changes and a step back: "Sossusvlei" is on the desktop and marked
    // in the images list, with both "Previous" and "Next" to go to. The work
    // queues beside the window and runs in turn.
    for (int i = 0; i < 3; ++i) {
        form->sbChangeNowClick();
        if (!AppWorld::Settle(*form)) {
            return 1;
        }
    }
    form->sbPreviousClick();
    if (!AppWorld::Settle(*form)) {
        return 1;
    }
    Settle(500);

    const struct {
        QWidget* page;
        const char* name;
        int wait;
    } pages[] = {{form->tsWelcome, "welcome", 4000},
                 {form->tsChannels, "channels", 300},
                 {form->tsChannelNews, "news", 4000},
                 {form->tsCurrentChannel, "images", 300},
                 {form->tsSettings, "settings", 300}};
    for (const auto& p : pages) {
        form->PageControl1->setCurrentWidget(p.page);
        Settle(p.wait);
        Grab(*form, folder + "/" + p.name + ".png");
    }
    if (monitors >= 2) {
        // "Different Image On Each Screen", the second monitor showing a
        // channel of its own.
        app::SettingsPage* settings = form->tsSettings;
        settings->rgMultiScreen->button(1)->click();
        settings->cbDifferentMonitor->setCurrentIndex(1);
        const int coastlines = settings->cbMonitorChannel->findText(QStringLiteral("Coastlines"));
        settings->cbMonitorChannel->setCurrentIndex(coastlines);
        emit settings->cbMonitorChannel->activated(coastlines);
        Settle(300);
        Grab(*form, folder + "/settings-two-monitors.png");
    }
    form->SetStatus(QStringLiteral("Downloading Namib at Dawn"));
    return 0;
}
