// wylo-web: shows one web page for Wylo inside a window of Wylo's. The web
// engine costs a few hundred megabytes, so Wylo keeps it in this separate
// process and ends the process whenever the page is not on screen.
//
// Started as: wylo-web <parent window id> <width> <height>
// Reads lines on standard input:  "load <url>", "size <width> <height>".
// Writes lines on standard output: "loaded <1|0> <url>" when a page has
// loaded, "open <url>" for a link that asks for a new window (Wylo opens it
// in the user's browser). Ends when standard input closes.

#include <QApplication>
#include <QSocketNotifier>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <string>

#include <unistd.h>

namespace {

bool IsWebScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

void Report(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// Catches the first address of a page that wanted a new window and hands it
// to Wylo instead.
class NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (IsWebScheme(url)) {
            Report(QStringLiteral("open ") + url.toString(QUrl::FullyEncoded));
        }
        deleteLater();
        return false;
    }
};

// A page that goes only to web addresses: nothing a page links to can open a
// local file or hand an address to another program.
class WebOnlyPage : public QWebEnginePage {
public:
    explicit WebOnlyPage(QWebEngineProfile* profile, QObject* parent = nullptr)
        : QWebEnginePage(profile, parent) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return IsWebScheme(url) || url.toString() == QLatin1String("about:blank");
    }

    QWebEnginePage* createWindow(WebWindowType) override {
        return new NewWindowCatcher(profile(), this);
    }
};

// Places the window again whenever the toolkit makes it anew.
class WinIdWatcher : public QObject {
public:
    explicit WinIdWatcher(std::function<void()> embed) : embed_(std::move(embed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WinIdChange) {
            QMetaObject::invokeMethod(this, embed_, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> embed_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: wylo-web <parent window id> <width> <height>\n");
        return 2;
    }
    // The engine's sandbox cannot start for the root user; the page is one a
    // channel publishes, shown without plugins or downloads.
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wylo-web"));

    // Off the record: cookies, cache and history stay in memory and go with
    // the process.
    QWebEngineProfile profile;
    profile.setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    QObject::connect(&profile, &QWebEngineProfile::downloadRequested, [](auto*) {
        // Not accepted, so nothing is downloaded.
    });

    QWebEngineView view;
    view.setWindowFlags(Qt::FramelessWindowHint);
    view.setPage(new WebOnlyPage(&profile, &view));
    view.resize(QString::fromLatin1(argv[2]).toInt(), QString::fromLatin1(argv[3]).toInt());
    QObject::connect(&view, &QWebEngineView::loadFinished, [&view](bool ok) {
        Report(QStringLiteral("loaded %1 %2")
                   .arg(ok ? 1 : 0)
                   .arg(view.url().toString(QUrl::FullyEncoded)));
    });

    // Shown off screen first: the engine makes the window anew for its own
    // drawing when it is first shown, and only that window can be placed
    // inside Wylo's.
    const WId parentId = QString::fromLatin1(argv[1]).toULongLong();
    view.move(-30000, -30000);
    view.show();
    QWindow* parent = parentId != 0 ? QWindow::fromWinId(parentId) : nullptr;
    const auto embed = [&view, parent] {
        if (parent && view.windowHandle() && view.windowHandle()->parent() != parent) {
            view.windowHandle()->setParent(parent);
            view.windowHandle()->setPosition(0, 0);
        }
    };
    embed();
    WinIdWatcher watcher(embed);
    view.installEventFilter(&watcher);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            // Wylo closed the pipe or is gone.
            input.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const QString line = QString::fromUtf8(pending.data(), static_cast<int>(end)).trimmed();
            pending.erase(0, end + 1);
            if (line.startsWith(QLatin1String("load "))) {
                const QUrl url(line.mid(5), QUrl::StrictMode);
                if (IsWebScheme(url)) {
                    view.load(url);
                }
            } else if (line.startsWith(QLatin1String("size "))) {
                const QStringList parts = line.mid(5).split(QLatin1Char(' '));
                if (parts.size() == 2) {
                    view.resize(parts[0].toInt(), parts[1].toInt());
                }
            }
        }
        // A runaway line is dropped rather than kept growing.
        if (pending.size() > 65536) {
            pending.clear();
        }
    });

    return app.exec();
}
