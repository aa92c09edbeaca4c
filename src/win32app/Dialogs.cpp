#include "win32app/Dialogs.h"

#include <utility>

#include <commdlg.h>

#include "win32app/Window.h"

namespace wylo::win {
namespace {

bool recording = false;
bool boxOpen = false;
std::vector<MessageBoxes::Shown>& RecordedBoxes() {
    static std::vector<MessageBoxes::Shown> list;
    return list;
}
MessageBoxes::Overflow& OverflowTarget() {
    static MessageBoxes::Overflow overflow;
    return overflow;
}
std::function<void()>& WhileOpen() {
    static std::function<void()> work;
    return work;
}

// Marks a box open for as long as it is shown.
class OpenBox {
public:
    OpenBox() { boxOpen = true; }
    ~OpenBox() { boxOpen = false; }
    OpenBox(const OpenBox&) = delete;
    OpenBox& operator=(const OpenBox&) = delete;
};

bool nextAnswerSet = false;
std::optional<Colour> nextAnswer;
Colour lastInitial = 0;
// The custom colours the user made stay for the program's run.
COLORREF customColours[16] = {};

}  // namespace

bool MessageBoxes::Error(HWND owner, const std::string& caption, const std::string& text) {
    if (boxOpen) {
        if (OverflowTarget()) {
            OverflowTarget()(text);
        }
        return false;
    }
    const OpenBox box;
    if (recording) {
        RecordedBoxes().push_back({caption, text});
        if (WhileOpen()) {
            WhileOpen()();
        }
        return true;
    }
    MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONERROR);
    return true;
}

bool MessageBoxes::open() {
    return boxOpen;
}

void MessageBoxes::SetOverflow(Overflow overflow) {
    OverflowTarget() = std::move(overflow);
}

void MessageBoxes::SetWhileOpenForTests(std::function<void()> work) {
    WhileOpen() = std::move(work);
}

void MessageBoxes::SetRecording(bool on) {
    recording = on;
}
const std::vector<MessageBoxes::Shown>& MessageBoxes::Recorded() {
    return RecordedBoxes();
}
void MessageBoxes::ClearRecorded() {
    RecordedBoxes().clear();
}

std::optional<Colour> ColourDialog::GetColour(HWND owner, Colour initial) {
    lastInitial = initial;
    if (nextAnswerSet) {
        nextAnswerSet = false;
        return nextAnswer;
    }
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    // The panel colours are laid out as COLORREF values already.
    choose.rgbResult = static_cast<COLORREF>(initial & 0xFFFFFF);
    choose.lpCustColors = customColours;
    choose.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!ChooseColorW(&choose)) {
        return std::nullopt;
    }
    return static_cast<Colour>(choose.rgbResult & 0xFFFFFF);
}

void ColourDialog::SetNextAnswer(std::optional<Colour> colour) {
    nextAnswerSet = true;
    nextAnswer = colour;
}

Colour ColourDialog::LastInitial() {
    return lastInitial;
}

void ShowDefaultError(HWND owner, const std::string& text) {
    MessageBoxes::Error(owner, "Wylo", text);
}

}  // namespace wylo::win
