#include "app/WebView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QResizeEvent>
#include <QTimer>
#include <QUrl>

#include "base/WebAddress.h"
#include "platform/Platform.h"

namespace wylo::app {
namespace {

QString& HelperPathSetting() {
    static QString path;
    return path;
}
bool helperEnabled = true;

// How long a helper asked to end may take before it is killed.
constexpr int kHelperEndMs = 3000;
// A page off screen this long gives its memory back; coming back to it
// within that time is instant.
constexpr int kIdleReleaseMs = 60000;

// True once the event loop has ended: nothing asynchronous runs any more.
bool ProgramEnding() {
    static bool ending = false;
    static const bool watching = [] {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         [] { ending = true; });
        return true;
    }();
    return watching && ending;
}

// Blocks until the helper has ended, killing it when it does not.
void WaitForEnd(QProcess* helper) {
    if (helper->state() != QProcess::NotRunning && !helper->waitForFinished(kHelperEndMs)) {
        helper->kill();
        helper->waitForFinished(kHelperEndMs);
    }
}

}  // namespace

WebView::WebView(QWidget* parent) : QWidget(parent), idle_(new QTimer(this)) {
    ProgramEnding();  // starts watching for the end of the event loop
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    idle_->setSingleShot(true);
    idle_->setInterval(kIdleReleaseMs);
    connect(idle_, &QTimer::timeout, this, &WebView::Release);
}

void WebView::setIdleRelease(int milliseconds) {
    idle_->setInterval(milliseconds);
}

WebView::~WebView() {
    Release();
}

void WebView::setHelperPath(const QString& path) {
    HelperPathSetting() = path;
}

QString WebView::helperPath() {
    if (!HelperPathSetting().isEmpty()) {
        return HelperPathSetting();
    }
    // Installed, the helper lies in the program's private library folder,
    // off the PATH; in the build folder, beside the program.
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed = programDir.filePath(QStringLiteral(WYLO_WEB_HELPER_FROM_BINDIR));
    if (QFileInfo(installed).isExecutable()) {
        return QDir::cleanPath(installed);
    }
    return programDir.filePath(QStringLiteral("wylo-web"));
}

void WebView::setHelperEnabled(bool enabled) {
    helperEnabled = enabled;
}

bool WebView::isHelperRunning() const {
    return helper_ && helper_->state() != QProcess::NotRunning;
}

void WebView::Navigate(const QString& url) {
    url_ = IsWebAddress(url.toStdString()) ? url : QString();
    if (isHelperRunning()) {
        Send(QStringLiteral("load ") + QUrl(url_).toString(QUrl::FullyEncoded));
    } else if (isVisible()) {
        Start();
    }
    update();
}

void WebView::Release() {
    if (!helper_) {
        return;
    }
    QProcess* helper = helper_;
    helper_ = nullptr;
    pending_.clear();
    helper->disconnect(this);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    // Closing its input ends the helper; a helper that hangs is killed.
    helper->closeWriteChannel();
    helper->terminate();
    QObject::connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    QTimer::singleShot(kHelperEndMs, helper, [helper] { helper->kill(); });
    // Kept alive by the application until it has ended, even if this view
    // goes; when the program ends first, it waits for the helper rather than
    // leaving it running without its QProcess.
    QCoreApplication* app = QCoreApplication::instance();
    helper->setParent(app);
    QObject::connect(app, &QCoreApplication::aboutToQuit, helper, [helper] { WaitForEnd(helper); });
    if (ProgramEnding()) {
        WaitForEnd(helper);
    }
}

void WebView::Start() {
    if (!helperEnabled || url_.isEmpty() || isHelperRunning()) {
        return;
    }
    if (!hole_) {
        hole_ = new QWidget(this);
        hole_->setAttribute(Qt::WA_NativeWindow);
        hole_->setGeometry(rect());
        hole_->show();
    }
    auto* helper = new QProcess(this);
    helper->setProcessChannelMode(QProcess::SeparateChannels);
    helper->setStandardErrorFile(QProcess::nullDevice());
    connect(helper, &QProcess::readyReadStandardOutput, this, &WebView::ReadHelper);
    helper_ = helper;
    helper->start(helperPath(), {QString::number(hole_->winId()), QString::number(width()),
                                 QString::number(height())});
    Send(QStringLiteral("load ") + QUrl(url_).toString(QUrl::FullyEncoded));
}

void WebView::Send(const QString& line) {
    if (helper_) {
        helper_->write(line.toUtf8() + '\n');
    }
}

void WebView::ReadHelper() {
    if (!helper_) {
        return;
    }
    pending_ += helper_->readAllStandardOutput();
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
        const QString line = QString::fromUtf8(pending_.left(end));
        pending_.remove(0, end + 1);
        if (line.startsWith(QLatin1String("loaded "))) {
            emit loadFinished(line.mid(7, 1) == QLatin1String("1"), line.mid(9));
        } else if (line.startsWith(QLatin1String("open "))) {
            emit openExternally(line.mid(5));
        }
    }
}

void WebView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    idle_->stop();
    Start();
}

void WebView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (isHelperRunning()) {
        idle_->start();
    }
}

void WebView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (hole_) {
        hole_->setGeometry(rect());
    }
    Send(QStringLiteral("size %1 %2").arg(event->size().width()).arg(event->size().height()));
}

void WebView::paintEvent(QPaintEvent*) {
    // What shows until the page arrives, and when there is none.
    QPainter(this).fillRect(rect(), palette().color(QPalette::Base));
}

}  // namespace wylo::app
