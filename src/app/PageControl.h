#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace wylo::app {

// Page tabs with a large picture beside a caption that may take two lines,
// so five pages with 32-pixel pictures fit the window's width.
class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(QWidget* parent = nullptr);

    // The caption broken into at most two lines of balanced width.
    static QStringList CaptionLines(const QString& text, const QFontMetrics& metrics);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;
};

// The window's page control: a tab widget with those tabs.
class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);
};

}  // namespace wylo::app
