#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "win32app/Controls.h"
#include "win32app/Pictures.h"
#include "win32app/WebBrowserHost.h"

namespace wylo::win {

// The channel's preview, scaled to fit its area with its aspect ratio kept.
class PreviewImage : public Panel {
public:
    PreviewImage(HWND parent, int id);
    void SetPicture(PreviewPicture picture);
    bool hasPicture() const { return picture_.width > 0; }
    bool PrintsItself() const override { return true; }

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    PreviewPicture picture_;
};

// The "Welcome" page: the channel directory's welcome page.
class WelcomePage : public Panel {
public:
    WelcomePage(HWND parent, int id, WebBrowserHost::OpenExternally open);
    void Layout(const Fonts& fonts);
    std::unique_ptr<WebBrowserHost> wbWelcome;

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The "Channels List" page: the channel list with the Refresh button, and
// the selected channel's name, description, preview, terms and the
// Subscribe button.
class ChannelsPage : public Panel {
public:
    static constexpr int kProvidersId = 210;
    static constexpr int kRefreshId = 211;
    static constexpr int kSubscribeId = 215;
    static constexpr int kTermsId = 216;
    static constexpr int kAddId = 218;
    static constexpr int kRemoveId = 219;
    static constexpr int kAddAddressId = 220;
    static constexpr int kAddFolderId = 221;

    ChannelsPage(HWND parent, int id);
    void Layout(const Fonts& fonts);

    // The channel index carried by the selected entry, or nothing.
    std::optional<int> SelectedChannel() const;

    // Marks the subscribed channel (a channel index; -1 or one not listed
    // for none): its entry is drawn with a tick and in bold. The mark
    // follows the channel, so it stays across a rebuilt list.
    void MarkSubscribedChannel(int channel);
    int markedChannel() const { return markedChannel_; }
    // The list entry drawn as subscribed, or nothing.
    std::optional<int> MarkedEntry() const;

    // "Remove" is offered while one of the user's own channels is selected.
    void ShowRemoveButton();

    // The user picked a channel, pressed Refresh, Terms or Subscribe, chose
    // "Add Address..." or "Add Folder..." from Add's menu, or pressed Remove.
    std::function<void()> onProvidersChange, onRefresh, onTerms, onSubscribe, onAddAddress,
        onAddFolder, onRemove;

    HWND gbChannels, cbProviders, sbRefresh, sbAdd, sbRemove, gbDetails, lChannelName, edTitle,
        lDescription, edDescription, sbSubscribe, sbTerms, cbSubscription;
    std::unique_ptr<PreviewImage> iPreview;
    std::unique_ptr<Hints> hints;

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawPictureButton(const DRAWITEMSTRUCT& item);
    void DrawChannelEntry(const DRAWITEMSTRUCT& item);
    bool IsMarkedEntry(int entry) const;
    int EntryHeight() const;
    HICON refreshIcon_ = nullptr;
    HICON subscribeIcon_ = nullptr;
    HICON termsIcon_ = nullptr;
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    int markedChannel_ = -1;
};

}  // namespace wylo::win
