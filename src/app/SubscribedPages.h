#pragma once

#include <QWidget>

class QLabel;

namespace wylo::app {

class ImagesList;
class WebView;

// "Subscribed Channel News": the channel's title, its news page and its
// copyright line.
class NewsPage : public QWidget {
    Q_OBJECT
public:
    explicit NewsPage(QWidget* parent = nullptr);
    QLabel* lNewsChannelTitle;
    WebView* wbBrowser;
    QLabel* lNewsChannelCopyright;
};

// "Subscribed Channel Images": the channel's title, its images and its
// copyright line.
class ImagesPage : public QWidget {
    Q_OBJECT
public:
    explicit ImagesPage(QWidget* parent = nullptr);
    QLabel* lTitle;
    ImagesList* lbImages;
    QLabel* lCopyright;
};

}  // namespace wylo::app
