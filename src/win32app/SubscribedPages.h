#pragma once

#include <memory>

#include "win32app/Controls.h"
#include "win32app/ImagesList.h"
#include "win32app/WebBrowserHost.h"

namespace wylo::win {

// "Subscribed Channel News": the channel's title, its news page and its
// copyright.
class NewsPage : public Panel {
public:
    NewsPage(HWND parent, int id, WebBrowserHost::OpenExternally open);
    void Layout(const Fonts& fonts);

    HWND lNewsChannelTitle, lNewsChannelCopyright;
    std::unique_ptr<WebBrowserHost> wbBrowser;
};

// "Subscribed Channel Images": the channel's title, the images list and the
// copyright.
class ImagesPage : public Panel {
public:
    ImagesPage(HWND parent, int id, Session& session);
    void Layout(const Fonts& fonts);

    HWND lTitle, lCopyright;
    std::unique_ptr<ImagesList> lbImages;

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace wylo::win
