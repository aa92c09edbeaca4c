#include "win32app/Dialogs.h"

#include <utility>

#include <commdlg.h>
#include <shobjidl.h>

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

bool nextSourceSet = false;
std::optional<std::string> nextSource;

bool TakeNextSource(std::optional<std::string>& answer) {
    if (!nextSourceSet) {
        return false;
    }
    nextSourceSet = false;
    answer = nextSource;
    return true;
}

// The address dialog, made in memory: a prompt, a text box, OK and Cancel.
constexpr WORD kAddressEditId = 100;

// Appends a dialog item to a template being built: the DLGITEMTEMPLATE, the
// class as an atom, the text and no creation data, DWORD-aligned.
void AddItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id,
             WORD classAtom, const wchar_t* text) {
    while (t.size() % 2 != 0) {
        t.push_back(0);
    }
    const DWORD fullStyle = style | WS_CHILD | WS_VISIBLE;
    t.push_back(LOWORD(fullStyle));
    t.push_back(HIWORD(fullStyle));
    t.push_back(0);  // extended style
    t.push_back(0);
    t.push_back(static_cast<WORD>(x));
    t.push_back(static_cast<WORD>(y));
    t.push_back(static_cast<WORD>(cx));
    t.push_back(static_cast<WORD>(cy));
    t.push_back(id);
    t.push_back(0xFFFF);
    t.push_back(classAtom);
    for (const wchar_t* c = text; *c != 0; ++c) {
        t.push_back(static_cast<WORD>(*c));
    }
    t.push_back(0);
    t.push_back(0);  // no creation data
}

std::vector<WORD> AddressDialogTemplate() {
    std::vector<WORD> t;
    const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.push_back(LOWORD(style));
    t.push_back(HIWORD(style));
    t.push_back(0);
    t.push_back(0);
    t.push_back(4);  // items
    for (const WORD v : {WORD(0), WORD(0), WORD(280), WORD(74)}) {
        t.push_back(v);
    }
    t.push_back(0);  // no menu
    t.push_back(0);  // the standard dialog class
    for (const wchar_t* c = L"Add Channel"; *c != 0; ++c) {
        t.push_back(static_cast<WORD>(*c));
    }
    t.push_back(0);
    t.push_back(9);  // point size
    for (const wchar_t* c = L"Segoe UI"; *c != 0; ++c) {
        t.push_back(static_cast<WORD>(*c));
    }
    t.push_back(0);
    constexpr WORD kButton = 0x0080;
    constexpr WORD kEdit = 0x0081;
    constexpr WORD kStatic = 0x0082;
    AddItem(t, SS_LEFT, 7, 7, 266, 18, 0xFFFF, kStatic,
            L"The address of a photo feed (RSS, Media RSS or Atom) or of a channel's "
            L"Channel.xml:");
    AddItem(t, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 7, 28, 266, 14, kAddressEditId, kEdit, L"");
    AddItem(t, WS_TABSTOP | BS_DEFPUSHBUTTON, 168, 52, 50, 15, IDOK, kButton, L"OK");
    AddItem(t, WS_TABSTOP | BS_PUSHBUTTON, 223, 52, 50, 15, IDCANCEL, kButton, L"Cancel");
    return t;
}

INT_PTR CALLBACK AddressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* answer =
                    reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND edit = GetDlgItem(dialog, kAddressEditId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(
                    GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                *answer = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

std::wstring Trimmed(std::wstring text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && blank(text.back())) {
        text.pop_back();
    }
    std::size_t first = 0;
    while (first < text.size() && blank(text[first])) {
        ++first;
    }
    return text.substr(first);
}

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

std::optional<std::string> SourceDialog::GetAddress(HWND owner) {
    std::optional<std::string> answer;
    if (TakeNextSource(answer)) {
        return answer;
    }
    std::vector<WORD> dialog = AddressDialogTemplate();
    std::wstring typed;
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner,
        AddressDialogProc, reinterpret_cast<LPARAM>(&typed));
    typed = Trimmed(std::move(typed));
    if (result != IDOK || typed.empty()) {
        return std::nullopt;
    }
    return Narrow(typed);
}

std::optional<std::string> SourceDialog::GetFolder(HWND owner) {
    std::optional<std::string> answer;
    if (TakeNextSource(answer)) {
        return answer;
    }
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&dialog)))) {
        return std::nullopt;
    }
    std::optional<std::string> folder;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(L"Add Folder");
    if (SUCCEEDED(dialog->Show(owner))) {
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->GetResult(&item))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                folder = Narrow(path);
                CoTaskMemFree(path);
            }
            item->Release();
        }
    }
    dialog->Release();
    return folder;
}

void SourceDialog::SetNextAnswer(std::optional<std::string> answer) {
    nextSourceSet = true;
    nextSource = std::move(answer);
}

void ShowDefaultError(HWND owner, const std::string& text) {
    MessageBoxes::Error(owner, "Wylo", text);
}

}  // namespace wylo::win
