#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

class TransferObserver;

// How long the client waits and how much it accepts.
struct HttpLimits {
    // No byte for this long after the request went out ends the transfer. It
    // bounds silence, not the whole transfer: a large file on a slow link
    // still arrives. Real hosts can take many seconds to start answering;
    // the window never waits for this.
    std::chrono::milliseconds readTimeout{30000};
    // Name lookup, TCP and TLS set-up together.
    std::chrono::milliseconds connectTimeout{10000};
    // A longer body fails, whether or not the server announced its length.
    std::int64_t maxBodyBytes = std::int64_t{256} * 1024 * 1024;
    // The slowest transfer kept going: one that moves fewer bytes than this
    // rate over any stretch of rateWindow, counted from the first byte of
    // the reply, is abandoned. The read timeout alone would let a server that sends one
    // byte a second hold a download for as long as it likes.
    std::int64_t minBytesPerSecond = 1024;
    std::chrono::milliseconds rateWindow{10000};
};

// What one request of a batch came to.
struct HttpResult {
    bool ok = false;
    // A HEAD's Last-Modified as seconds since 1970 UTC; empty when the reply
    // had none or it could not be read.
    std::optional<std::time_t> lastModified;
    // Why it failed, in words a user can read; empty on success.
    std::string error;
};

// One request of a batch. Its completion may name a follow-up request, which
// runs in the same batch (a freshness check followed by the download).
struct HttpRequest {
    using BodySink = std::function<bool(std::string_view chunk)>;
    using Completion = std::function<std::optional<HttpRequest>(const HttpResult& result)>;

    std::string url;
    bool head = false;
    // Receives a GET's body as it arrives; returning false aborts the transfer.
    BodySink sink;
    // Called on the calling thread once the request ended, whatever the outcome.
    Completion done;
    // A longer body fails as soon as the transfer passes it, announced or
    // not; 0 leaves the client's own limit (a larger value does too).
    std::int64_t maxBytes = 0;
};

// The program's one HTTP/1.1 client. It keeps its connections open so that
// they are reused, keeps cookies in memory for its lifetime, follows no
// redirects, uses no proxy and fetches nothing but http and https. Every
// request carries User-Agent "Wylo/1.04", Accept "text/html, */*" and itself
// as the Referer. A reply outside 200-299 (a redirect included) is a failure.
//
// Used from one thread (Cancel from any). Requests run one at a time (Head, Get) or as a batch
// that keeps up to kMaxConnectionsPerHost transfers in flight on that same
// thread (Run). A request made while another is in progress (from a progress
// callback that let other events run) fails at once instead of disturbing the
// running transfers.
class HttpClient {
public:
    // Transfers a batch keeps in flight, and connections kept open to one
    // host: enough to hide a slow server's latency without crowding it.
    static constexpr int kMaxConnectionsPerHost = 8;

    // Throws Error when the network library cannot be started.
    explicit HttpClient(HttpLimits limits = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Told about the transfers on the calling thread. A single request (Head,
    // Get, or a batch of one) reports each transfer: exactly one
    // TransferBegin with the announced length, any number of TransferWork
    // with the bytes so far and exactly one TransferEnd. A batch of several
    // reports itself as one transfer counted in requests: TransferBegin with
    // their number, TransferWork with how many have ended (follow-ups are part
    // of the request they follow) and one TransferEnd. TransferPulse comes
    // every few tens of milliseconds throughout. Null for none. The observer
    // must outlive its registration.
    void SetObserver(TransferObserver* observer);

    struct HeadResult {
        bool ok = false;
        // The reply's Last-Modified as seconds since 1970 UTC; empty when the
        // reply had none or it could not be read.
        std::optional<std::time_t> lastModified;
    };
    HeadResult Head(const std::string& url);

    // Receives the body as it arrives; returning false aborts the transfer.
    using BodySink = HttpRequest::BodySink;
    // True when the whole body arrived with a 2xx status. An exception thrown
    // by the sink or the observer ends the transfer and reaches the caller.
    bool Get(const std::string& url, const BodySink& sink);

    // Runs the requests and their follow-ups concurrently and returns once
    // every one has completed. Each completes exactly once, also when the
    // client is busy or cancelled. An exception thrown by a sink, a
    // completion or the observer ends every transfer of the batch (their
    // completions are not called) and reaches the caller.
    void Run(std::vector<HttpRequest> requests);

    // Ends the transfers in flight and makes every later request fail at
    // once: the program is closing. Safe to call from any thread, also from inside the observer.
    void Cancel();
    bool cancelled() const;

    // Why the last Head or Get failed, in words a user can read; empty after
    // a success.
    const std::string& LastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace wylo
