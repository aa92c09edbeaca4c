#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QProcess;
class QTimer;

namespace wylo::app {

// A web page inside the window. The page itself is shown by the helper
// program wylo-web, started when the view is first on screen with an address
// to show and ended by Release(), so the few hundred megabytes of the web
// engine are only spent while the page can be seen; a page that stays off
// screen for a minute lets its helper go too. Only http and https addresses
// are shown.
class WebView : public QWidget {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // Shows url, now when the page is on screen, otherwise when it next is.
    // Anything but an http or https address leaves the view blank.
    void Navigate(const QString& url);
    // The address last navigated to.
    QString url() const { return url_; }

    // Ends the helper; the page is shown again when the view is next shown.
    void Release();
    bool isHelperRunning() const;

    // Where wylo-web lives: beside the program unless set.
    static void setHelperPath(const QString& path);
    static QString helperPath();
    // Tests that do not look at web pages switch the helper off.
    static void setHelperEnabled(bool enabled);
    // How long a page may stay off screen before its helper ends.
    void setIdleRelease(int milliseconds);

signals:
    // The helper finished loading a page.
    void loadFinished(bool ok, const QString& url);
    // A link on the page asked for a new window.
    void openExternally(const QString& url);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Start();
    void Send(const QString& line);
    void ReadHelper();

    QString url_;
    // Native child window that the helper's page is placed in.
    QWidget* hole_ = nullptr;
    QPointer<QProcess> helper_;
    // Ends the helper of a page that has stayed off screen for a while.
    QTimer* idle_;
    QByteArray pending_;
};

}  // namespace wylo::app
