#pragma once

#include <QImage>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace wylo::app {

class WebView;

// A picture scaled to fit its area with its aspect ratio kept, centred.
class PreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit PreviewImage(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

// The "Welcome" page: the channel directory's own page.
class WelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit WelcomePage(QWidget* parent = nullptr);
    WebView* wbWelcome;
};

// The "Channels List" page: the list of channels and the details of the one
// picked.
class ChannelsPage : public QWidget {
    Q_OBJECT
public:
    explicit ChannelsPage(QWidget* parent = nullptr);

    // Marks the entry of the subscribed channel (directory position channel)
    // with a tick, in bold, and clears the mark from the others; -1 marks
    // none.
    void MarkSubscribedChannel(int channel);
    // The directory position of the marked entry; -1 none.
    int markedChannel() const { return markedChannel_; }

    QComboBox* cbProviders;
    QToolButton* sbRefresh;
    // Adds a channel of the user's own: "Add Address..." or "Add Folder...".
    QToolButton* sbAdd;
    QAction* acAddAddress;
    QAction* acAddFolder;
    // Removes the selected channel of the user's own; shown for those only.
    QToolButton* sbRemove;
    QLineEdit* edTitle;
    QPlainTextEdit* edDescription;
    PreviewImage* iPreview;
    QToolButton* sbSubscribe;
    QToolButton* sbTerms;
    QCheckBox* cbSubscription;

private:
    int markedChannel_ = -1;
};

}  // namespace wylo::app
