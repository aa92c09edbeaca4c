#pragma once

#include <QFont>
#include <QFrame>

class QLabel;
class QProgressBar;
class QToolButton;

namespace wylo::app {

// The window's font: Tahoma 8 point, 11 pixels high at 96 dots per inch.
// Where Tahoma is missing, a condensed sans of about its width, so captions
// fit the fixed places of the settings page; else the system's sans font.
QFont WindowFont();

// The status bar along the window's bottom: "Change Now" with "Previous"
// and "Next" beside it, the status text centred in the space between, and
// the download progress.
class StatusBar : public QFrame {
public:
    explicit StatusBar(QWidget* parent);

    QToolButton* sbChangeNow;
    QToolButton* sbPrevious;
    QToolButton* sbNext;
    QLabel* lStatus;
    QProgressBar* pbHTTPProgress;
};

}  // namespace wylo::app
