#include "win32app/WebBrowserHost.h"

#include <commctrl.h>
#include <exdisp.h>
#include <ole2.h>

#include "base/WebAddress.h"
#include "platform/win32/WindowsPlatform.h"

namespace wylo::win {

// The container side of the browser control: the client site, the in-place
// site and the frame, all in one object owned by the host. Only what an
// in-place active control needs is implemented; the rest says no.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit BrowserSite(HWND window) : window_(window) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleWindow)) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleInPlaceFrame) ||
                   IsEqualIID(riid, IID_IOleInPlaceUIWindow)) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        *out = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(window_, position);
        GetClientRect(window_, clip);
        info->cb = sizeof(OLEINPLACEFRAMEINFO);
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(window_, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }

    // IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    HWND window_;
    ULONG references_ = 1;
};

WebBrowserHost::WebBrowserHost(HWND parent, int id, OpenExternally openExternally)
    : openExternally_(std::move(openExternally)) {
    CreatePanel(parent, id, WS_VISIBLE, WS_EX_CLIENTEDGE);
}

WebBrowserHost::~WebBrowserHost() {
    ReleaseBrowser();
}

bool WebBrowserHost::CreateBrowser() {
    triedBrowser_ = true;
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&object_))) ||
        object_ == nullptr) {
        object_ = nullptr;
        return false;
    }
    site_ = new BrowserSite(hwnd());
    RECT area;
    GetClientRect(hwnd(), &area);
    if (FAILED(object_->SetClientSite(site_)) ||
        FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, hwnd(), &area)) ||
        FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_)))) {
        ReleaseBrowser();
        return false;
    }
    Resize();
    return true;
}

void WebBrowserHost::ReleaseBrowser() {
    if (browser_ != nullptr) {
        browser_->Release();
        browser_ = nullptr;
    }
    if (object_ != nullptr) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_->Release();
        object_ = nullptr;
    }
    if (site_ != nullptr) {
        site_->Release();
        site_ = nullptr;
    }
}

void WebBrowserHost::Navigate(const std::string& url) {
    if (!IsWebAddress(url)) {
        return;
    }
    url_ = url;
    if (!triedBrowser_) {
        CreateBrowser();
    }
    if (browser_ != nullptr) {
        BSTR address = SysAllocString(Wide(url).c_str());
        const HRESULT result = browser_->Navigate(address, nullptr, nullptr, nullptr, nullptr);
        SysFreeString(address);
        if (SUCCEEDED(result)) {
            linkShown_ = false;
            if (link_ != nullptr) {
                ShowWindow(link_, SW_HIDE);
            }
            return;
        }
    }
    ShowLink();
}

void WebBrowserHost::ShowLink() {
    linkShown_ = true;
    // The address as the link's text; percent-encoded, so nothing in it can
    // pass for the link's own markup.
    const std::wstring markup = L"<a>" + Wide(ShellSafeAddress(url_)) + L"</a>";
    if (link_ == nullptr) {
        link_ = MakeControl(hwnd(), WC_LINK, markup.c_str(), WS_TABSTOP, 1);
        if (link_ == nullptr) {
            // Without the common controls' link, a plain text of the address.
            link_ = MakeControl(hwnd(), L"STATIC", Wide(url_).c_str(), SS_NOPREFIX, 1);
        }
    } else {
        SetWindowTextW(link_, markup.c_str());
    }
    Resize();
    ShowWindow(link_, SW_SHOW);
}

void WebBrowserHost::SetFont(const Font& font) {
    if (link_ != nullptr) {
        win::SetFont(link_, font);
    }
}

void WebBrowserHost::Resize() {
    RECT area;
    GetClientRect(hwnd(), &area);
    if (object_ != nullptr) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject,
                                              reinterpret_cast<void**>(&inPlace)))) {
            inPlace->SetObjectRects(&area, &area);
            inPlace->Release();
        }
    }
    if (link_ != nullptr) {
        const UINT dpi = DpiOf(hwnd());
        MoveWindow(link_, Scaled(8, dpi), Scaled(8, dpi), area.right - Scaled(16, dpi),
                   Scaled(40, dpi), TRUE);
    }
}

LRESULT WebBrowserHost::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Resize();
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == link_ &&
                (header->code == NM_CLICK || header->code == NM_RETURN)) {
                if (openExternally_) {
                    openExternally_(url_);
                }
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace wylo::win
