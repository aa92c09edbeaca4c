#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace wylo {

class TransferObserver;

// How long the client waits and how much it accepts.
struct HttpLimits {
    // No byte for this long after the request went out ends the transfer. It
    // bounds silence, not the whole transfer: a large file on a slow link
    // still arrives.
    std::chrono::milliseconds readTimeout{3000};
    // Name lookup, TCP and TLS set-up together.
    std::chrono::milliseconds connectTimeout{10000};
    // A longer body fails, whether or not the server announced its length.
    std::int64_t maxBodyBytes = std::int64_t{256} * 1024 * 1024;
    // The slowest transfer kept going: one that moves fewer bytes than this
    // rate over any stretch of rateWindow, counted from the request, is
    // abandoned. The read timeout alone would let a server that sends one
    // byte a second hold a download for as long as it likes.
    std::int64_t minBytesPerSecond = 1024;
    std::chrono::milliseconds rateWindow{10000};
};

// The program's one HTTP/1.1 client. It keeps one connection handle so that
// connections are reused, keeps cookies in memory for its lifetime, follows
// no redirects, uses no proxy and fetches nothing but http and https. Every
// request carries User-Agent "Wylo/1.04", Accept "text/html, */*" and itself
// as the Referer. A reply outside 200-299 (a redirect included) is a failure.
//
// Used from one thread. A request made while another is in progress (from a
// progress callback that let other events run) fails at once instead of
// disturbing the running transfer.
class HttpClient {
public:
    // Throws Error when the network library cannot be started.
    explicit HttpClient(HttpLimits limits = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Told about every transfer: exactly one TransferBegin, any number of
    // TransferWork and exactly one TransferEnd, on the calling thread. Null
    // for none. The observer must outlive its registration.
    void SetObserver(TransferObserver* observer);

    struct HeadResult {
        bool ok = false;
        // The reply's Last-Modified as seconds since 1970 UTC; empty when the
        // reply had none or it could not be read.
        std::optional<std::time_t> lastModified;
    };
    HeadResult Head(const std::string& url);

    // Receives the body as it arrives; returning false aborts the transfer.
    using BodySink = std::function<bool(std::string_view chunk)>;
    // True when the whole body arrived with a 2xx status. An exception thrown
    // by the sink or the observer ends the transfer and reaches the caller.
    bool Get(const std::string& url, const BodySink& sink);

    // Why the last request failed, in words a user can read; empty after a
    // success.
    const std::string& LastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace wylo
