#include "win32app/Dialogs.h"

#include <commdlg.h>

#include "win32app/Window.h"

namespace wylo::win {
namespace {

bool recording = false;
std::vector<MessageBoxes::Shown>& RecordedBoxes() {
    static std::vector<MessageBoxes::Shown> list;
    return list;
}

bool nextAnswerSet = false;
std::optional<Colour> nextAnswer;
Colour lastInitial = 0;
// The custom colours the user made stay for the program's run.
COLORREF customColours[16] = {};

}  // namespace

void MessageBoxes::Error(HWND owner, const std::string& caption, const std::string& text) {
    if (recording) {
        RecordedBoxes().push_back({caption, text});
        return;
    }
    MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONERROR);
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
