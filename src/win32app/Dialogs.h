#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "base/Colour.h"

namespace wylo::win {

// Modal message boxes, one at a time. A box runs a message loop of its own in
// which the session's results keep arriving; an error among them would open
// a box over the box, and another, so while one is open a further error goes
// to the overflow (the status line) instead. Tests switch the boxes to
// recording, so no box waits for a click that never comes and the test can
// read what would have been shown.
class MessageBoxes {
public:
    struct Shown {
        std::string caption;
        std::string text;
    };
    // A modal error box with the one button "OK"; false when another box was
    // open and the text went to the overflow.
    static bool Error(HWND owner, const std::string& caption, const std::string& text);
    static bool open();

    // Where an error goes while a box is open; nothing when empty.
    using Overflow = std::function<void(const std::string& text)>;
    static void SetOverflow(Overflow overflow);

    static void SetRecording(bool recording);
    static const std::vector<Shown>& Recorded();
    static void ClearRecorded();
    // While a recorded box is "open", this runs in its place, as the box's
    // own message loop would run what is waiting.
    static void SetWhileOpenForTests(std::function<void()> work);
};

// The system's colour picker, opened with the custom colours shown. Tests set
// the answer of the next call ahead of time.
class ColourDialog {
public:
    // The chosen colour, or nothing when the user cancelled.
    static std::optional<Colour> GetColour(HWND owner, Colour initial);

    // The next GetColour answers this (a colour, or nothing for Cancel)
    // without showing anything; one use only.
    static void SetNextAnswer(std::optional<Colour> colour);
    static Colour LastInitial();
};

// Asking for a channel's web address or folder. Tests set the answer of the
// next call ahead of time.
class SourceDialog {
public:
    // The address typed (UTF-8), or nothing when the user cancelled.
    static std::optional<std::string> GetAddress(HWND owner);
    // The folder chosen (UTF-8), or nothing when the user cancelled.
    static std::optional<std::string> GetFolder(HWND owner);

    // The next GetAddress or GetFolder answers this without showing
    // anything; one use only.
    static void SetNextAnswer(std::optional<std::string> answer);
};

// How the program reports an error that ended what the user asked for: a box
// titled "Wylo" with the error's text.
void ShowDefaultError(HWND owner, const std::string& text);

template <typename Work>
void Guarded(HWND owner, Work&& work) {
    try {
        work();
    } catch (const std::exception& e) {
        ShowDefaultError(owner, e.what());
    }
}

}  // namespace wylo::win
