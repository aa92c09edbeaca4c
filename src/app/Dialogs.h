#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <exception>
#include <optional>

class QWidget;

namespace wylo::app {

// Message boxes. Tests switch them to recording, so no box waits for a click
// that never comes and the test can read what would have been shown.
class MessageBox {
public:
    struct Shown {
        QString caption;
        QString text;
    };

    // An error box with the one button "OK", modal to its window but without
    // an event loop of its own: it returns at once.
    static void Error(QWidget* parent, const QString& caption, const QString& text);

    static void setRecording(bool recording);
    static const QList<Shown>& recorded();
    static void clearRecorded();
};

// The colour picker. Tests set the answer of the next call ahead of time.
class ColourDialog {
public:
    // The chosen colour, or nothing when the user cancelled.
    static std::optional<QColor> GetColour(QWidget* parent, const QColor& initial);

    // The next GetColour answers this (a colour, or nothing for Cancel)
    // without showing anything; one use only.
    static void setNextColour(std::optional<QColor> colour);
    // The colour the last call started from.
    static QColor lastInitial();
};

// Asking for a channel's web address or folder. Tests set the answer of the
// next call ahead of time.
class SourceDialog {
public:
    // The address typed, or nothing when the user cancelled.
    static std::optional<QString> GetAddress(QWidget* parent);
    // The folder chosen, or nothing when the user cancelled.
    static std::optional<QString> GetFolder(QWidget* parent);

    // The next GetAddress or GetFolder answers this without showing
    // anything; one use only.
    static void setNextAnswer(std::optional<QString> answer);
};

// Shows an error that ended an event handler, the way the program reports
// everything it did not handle: a box titled "Wylo" with the error's text.
void ShowDefaultError(QWidget* parent, const QString& text);

// Runs a handler's work; an error that escapes it is shown by
// ShowDefaultError and the program goes on.
template <typename Work>
void Guarded(QWidget* parent, Work&& work) {
    try {
        work();
    } catch (const std::exception& e) {
        ShowDefaultError(parent, QString::fromStdString(e.what()));
    }
}

}  // namespace wylo::app
