#include "app/Dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace wylo::app {
namespace {

bool recording = false;
QList<MessageBox::Shown>& Recorded() {
    static QList<MessageBox::Shown> list;
    return list;
}

bool nextColourSet = false;
std::optional<QColor> nextColour;
QColor lastInitialColour;

bool nextAnswerSet = false;
std::optional<QString> nextAnswer;

// The answer set ahead by a test, once.
bool TakeNextAnswer(std::optional<QString>& answer) {
    if (!nextAnswerSet) {
        return false;
    }
    nextAnswerSet = false;
    answer = nextAnswer;
    return true;
}

}  // namespace

void MessageBox::Error(QWidget* parent, const QString& caption, const QString& text) {
    if (recording) {
        Recorded().append({caption, text});
        return;
    }
    // No event loop of its own: the program goes on while the box is up. A
    // box already open with the same caption shows the newest text instead
    // of a second box piling on it.
    static QPointer<QMessageBox> open;
    if (open && open->isVisible() && open->windowTitle() == caption) {
        open->setText(text);
        open->raise();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    open = box;
}

void MessageBox::setRecording(bool on) {
    recording = on;
}
const QList<MessageBox::Shown>& MessageBox::recorded() {
    return Recorded();
}
void MessageBox::clearRecorded() {
    Recorded().clear();
}

std::optional<QColor> ColourDialog::GetColour(QWidget* parent, const QColor& initial) {
    lastInitialColour = initial;
    if (nextColourSet) {
        nextColourSet = false;
        return nextColour;
    }
    QColorDialog dialog(initial, parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedColor();
}

void ColourDialog::setNextColour(std::optional<QColor> colour) {
    nextColourSet = true;
    nextColour = colour;
}

QColor ColourDialog::lastInitial() {
    return lastInitialColour;
}

std::optional<QString> SourceDialog::GetAddress(QWidget* parent) {
    std::optional<QString> answer;
    if (TakeNextAnswer(answer)) {
        return answer;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, QStringLiteral("Add Channel"),
        QStringLiteral("The address of a photo feed (RSS, Media RSS or Atom) or of a "
                       "channel's Channel.xml:"),
        QLineEdit::Normal, QString(), &ok);
    if (!ok || text.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return text.trimmed();
}

std::optional<QString> SourceDialog::GetFolder(QWidget* parent) {
    std::optional<QString> answer;
    if (TakeNextAnswer(answer)) {
        return answer;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Add Folder"), QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(folder);
}

void SourceDialog::setNextAnswer(std::optional<QString> answer) {
    nextAnswerSet = true;
    nextAnswer = std::move(answer);
}

void ShowDefaultError(QWidget* parent, const QString& text) {
    MessageBox::Error(parent, QStringLiteral("Wylo"), text);
}

}  // namespace wylo::app
