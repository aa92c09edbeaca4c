#pragma once

#include <functional>
#include <string>

#include "win32app/Window.h"

struct IOleObject;
struct IWebBrowser2;

namespace wylo::win {

class BrowserSite;

// A web page inside a page of the window: the system's web browser control,
// held in a minimal OLE container, of which only navigation is used. It is
// created at the first navigation. Where the control cannot be created or
// cannot navigate, the page shows the address as a link that opens the
// user's browser instead; nothing is reported. Only http and https
// addresses are shown.
class WebBrowserHost : public Panel {
public:
    using OpenExternally = std::function<void(const std::string& url)>;

    WebBrowserHost(HWND parent, int id, OpenExternally openExternally);
    ~WebBrowserHost() override;

    void Navigate(const std::string& url);
    // The address last navigated to; empty before the first.
    const std::string& url() const { return url_; }
    // Whether the browser control shows the page (rather than the link).
    bool showsBrowser() const { return browser_ != nullptr && !linkShown_; }
    HWND link() const { return link_; }

    void SetFont(const Font& font);

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool CreateBrowser();
    void ReleaseBrowser();
    void ShowLink();
    void Resize();

    OpenExternally openExternally_;
    std::string url_;
    BrowserSite* site_ = nullptr;
    IOleObject* object_ = nullptr;
    IWebBrowser2* browser_ = nullptr;
    bool triedBrowser_ = false;
    bool linkShown_ = false;
    HWND link_ = nullptr;
};

}  // namespace wylo::win
