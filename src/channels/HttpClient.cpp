#include "channels/HttpClient.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <string>
#include <utility>

#include <curl/curl.h>

#include "base/Error.h"
#include "base/Feedback.h"
#include "base/WebAddress.h"

namespace wylo {
namespace {

using SteadyClock = std::chrono::steady_clock;

void StartCurlOnce() {
    static const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (code != CURLE_OK) {
        throw Error("The network library could not be started.");
    }
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};

struct ShareDeleter {
    void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::string Megabytes(std::int64_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

std::string Rate(std::int64_t bytesPerSecond) {
    if (bytesPerSecond % 1024 == 0) {
        return std::to_string(bytesPerSecond / 1024) + " KB per second";
    }
    return std::to_string(bytesPerSecond) + (bytesPerSecond == 1 ? " byte" : " bytes") +
           " per second";
}

std::string Seconds(std::chrono::milliseconds ms) {
    const auto count = ms.count();
    if (count % 1000 == 0) {
        const auto s = count / 1000;
        return std::to_string(s) + (s == 1 ? " second" : " seconds");
    }
    return std::to_string(count) + " milliseconds";
}

}  // namespace

// How often a batch lets the front end run while it waits for the network.
constexpr std::chrono::milliseconds kPulseInterval{25};

constexpr const char* kBusyError = "Another download is still in progress.";
constexpr const char* kCancelledError = "The download was cancelled: Wylo is closing.";

struct HttpClient::Impl {
    // One request in flight on its own connection handle.
    struct Transfer {
        Impl* impl = nullptr;
        std::unique_ptr<CURL, EasyDeleter> easy;
        HttpRequest request;
        std::size_t item = 0;  // the batch entry it belongs to
        bool sent = false;     // connected and the request on its way
        SteadyClock::time_point lastActivity;
        // Reply bytes (headers and body) so far, and at the start of the
        // stretch the rate is measured over.
        std::int64_t replyBytes = 0;
        std::int64_t windowBytes = 0;
        SteadyClock::time_point windowStart;
        bool tooSlow = false;
        bool begun = false;
        std::int64_t received = 0;
        std::int64_t reported = -1;
        long status = 0;
        bool timedOut = false;
        bool badStatus = false;
        bool tooLarge = false;
        std::int64_t maxBytes = 0;
        bool sinkRefused = false;
        bool cancelled = false;
        char errorBuffer[CURL_ERROR_SIZE] = {};
    };

    explicit Impl(HttpLimits l) : limits(l) {}

    void Configure(CURL* easy);
    std::unique_ptr<CURL, EasyDeleter> TakeEasy();
    void Run(std::vector<HttpRequest> requests);
    // Starts the request, or completes it at once when it cannot be sent.
    void Start(HttpRequest request, std::size_t item);
    void Finish(Transfer& t, CURLcode code);
    void Complete(HttpRequest& request, std::size_t item, const HttpResult& result);
    void CheckWatchdog(Transfer& t, SteadyClock::time_point now);
    void Detach(Transfer& t);
    void Pulse();
    void Begin(Transfer& t, std::int64_t expected);
    void EndTransfer(Transfer& t);
    std::string Describe(const Transfer& t, CURLcode code) const;
    void Keep(std::exception_ptr e) {
        if (!error) {
            error = std::move(e);
        }
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t);
    static int OnRequestReady(void* self, char*, char*, int, int);

    HttpLimits limits;
    std::unique_ptr<CURLM, MultiDeleter> multi;
    std::unique_ptr<CURLSH, ShareDeleter> share;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    std::vector<std::unique_ptr<CURL, EasyDeleter>> idle;
    TransferObserver* observer = nullptr;
    std::string lastError;
    bool busy = false;
    // Set from any thread: the program is closing.
    std::atomic<bool> cancelled{false};

    // The batch being run.
    bool perTransferProgress = false;
    std::size_t itemsEnded = 0;
    std::deque<std::pair<HttpRequest, std::size_t>> queue;
    std::vector<std::unique_ptr<Transfer>> active;
    std::exception_ptr error;
    SteadyClock::time_point lastPulse;
};

template <typename T>
void SetOption(CURL* easy, CURLoption option, T value) {
    if (curl_easy_setopt(easy, option, value) != CURLE_OK) {
        throw Error("The network library lacks a feature Wylo needs.");
    }
}

void HttpClient::Impl::Configure(CURL* easy) {
    SetOption(easy, CURLOPT_NOSIGNAL, 1L);
    SetOption(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    SetOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    SetOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // No proxy, not even one named by the environment.
    SetOption(easy, CURLOPT_PROXY, "");
    SetOption(easy, CURLOPT_NOPROXY, "*");
    // No authentication: credentials in a URL are refused rather than sent.
    SetOption(easy, CURLOPT_DISALLOW_USERNAME_IN_URL, 1L);
    SetOption(easy, CURLOPT_USERAGENT, "Wylo/1.04");
    SetOption(easy, CURLOPT_HTTPHEADER, headers.get());
    // An empty name switches the cookie engine on without reading or writing
    // a file; the share keeps one set of cookies, in memory, for every
    // connection of this client.
    SetOption(easy, CURLOPT_COOKIEFILE, "");
    SetOption(easy, CURLOPT_SHARE, share.get());
    SetOption(easy, CURLOPT_FILETIME, 1L);
    SetOption(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    SetOption(easy, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    SetOption(easy, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    SetOption(easy, CURLOPT_NOPROGRESS, 0L);
    SetOption(easy, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    SetOption(easy, CURLOPT_PREREQFUNCTION, &Impl::OnRequestReady);
}

std::unique_ptr<CURL, EasyDeleter> HttpClient::Impl::TakeEasy() {
    if (!idle.empty()) {
        auto easy = std::move(idle.back());
        idle.pop_back();
        return easy;
    }
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        throw Error("The network library could not be started.");
    }
    Configure(easy.get());
    return easy;
}

void HttpClient::Impl::Begin(Transfer& t, std::int64_t expected) {
    t.begun = true;
    if (observer && perTransferProgress) {
        observer->TransferBegin(expected);
    }
}

// Closes the Begin/End pair even when the transfer failed before any reply.
void HttpClient::Impl::EndTransfer(Transfer& t) {
    if (!perTransferProgress) {
        return;
    }
    try {
        if (!t.begun) {
            Begin(t, 0);
        }
        if (observer) {
            observer->TransferEnd();
        }
    } catch (...) {
        Keep(std::current_exception());
    }
}

std::size_t HttpClient::Impl::OnHeader(char* data, std::size_t size, std::size_t count,
                                       void* self) {
    auto& t = *static_cast<Transfer*>(self);
    const std::size_t n = size * count;
    t.lastActivity = SteadyClock::now();
    t.replyBytes += static_cast<std::int64_t>(n);
    const std::string_view line(data, n);
    if (line != "\r\n" && line != "\n") {
        return n;
    }
    // The end of one reply's headers.
    long status = 0;
    curl_easy_getinfo(t.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200) {
        return n;  // an interim reply; the real one follows
    }
    t.status = status;
    if (status < 200 || status >= 300) {
        t.badStatus = true;
        return 0;  // not worth reading the body of an error or a redirect
    }
    curl_off_t length = -1;
    curl_easy_getinfo(t.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    try {
        t.impl->Begin(t, length > 0 ? length : 0);
    } catch (...) {
        t.impl->Keep(std::current_exception());
        return 0;
    }
    return n;
}

std::size_t HttpClient::Impl::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto& t = *static_cast<Transfer*>(self);
    const std::size_t n = size * count;
    t.lastActivity = SteadyClock::now();
    t.replyBytes += static_cast<std::int64_t>(n);
    // A server need not announce the length, so the limit is checked here too.
    if (t.received + static_cast<std::int64_t>(n) > t.maxBytes) {
        t.tooLarge = true;
        return 0;
    }
    t.received += static_cast<std::int64_t>(n);
    if (!t.request.sink || n == 0) {
        return n;
    }
    try {
        if (!t.request.sink(std::string_view(data, n))) {
            t.sinkRefused = true;
            return 0;
        }
    } catch (...) {
        t.impl->Keep(std::current_exception());
        return 0;
    }
    return n;
}

// The source of a single transfer's progress reports.
int HttpClient::Impl::OnProgress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(self);
    Impl& impl = *t.impl;
    if (impl.error) {
        return 1;
    }
    if (impl.perTransferProgress && t.begun && now != t.reported) {
        t.reported = now;
        if (impl.observer) {
            try {
                impl.observer->TransferWork(now);
            } catch (...) {
                impl.Keep(std::current_exception());
                return 1;
            }
        }
    }
    return 0;
}

// Runs once the connection stands (TLS included), just before the request is
// sent: from here on silence counts against the read timeout.
int HttpClient::Impl::OnRequestReady(void* self, char*, char*, int, int) {
    auto& t = *static_cast<Transfer*>(self);
    t.sent = true;
    t.lastActivity = SteadyClock::now();
    t.windowStart = t.lastActivity;
    t.windowBytes = t.replyBytes;
    return CURL_PREREQFUNC_OK;
}

// The watchdog for silent and trickling servers.
void HttpClient::Impl::CheckWatchdog(Transfer& t, SteadyClock::time_point now) {
    if (!t.sent) {
        return;  // the connect timeout of the library covers this stretch
    }
    if (now - t.lastActivity > limits.readTimeout) {
        t.timedOut = true;
        return;
    }
    if (t.replyBytes == 0) {
        // Until the host starts answering only the read timeout counts: a
        // busy host may think for a while before it sends anything.
        t.windowStart = now;
        return;
    }
    if (limits.minBytesPerSecond > 0 && now - t.windowStart >= limits.rateWindow) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - t.windowStart);
        const std::int64_t needed = limits.minBytesPerSecond * elapsed.count() / 1000;
        if (t.replyBytes - t.windowBytes < needed) {
            t.tooSlow = true;
            return;
        }
        t.windowStart = now;
        t.windowBytes = t.replyBytes;
    }
}

std::string HttpClient::Impl::Describe(const Transfer& t, CURLcode code) const {
    if (t.cancelled) {
        return kCancelledError;
    }
    if (t.timedOut) {
        return "The server sent nothing for " + Seconds(limits.readTimeout) + ".";
    }
    if (t.tooSlow) {
        return "The server is too slow: it sent less than " + Rate(limits.minBytesPerSecond) +
               " over " + Seconds(limits.rateWindow) + ".";
    }
    if (t.status >= 300 && t.status < 400) {
        return "The server redirected the request (status " + std::to_string(t.status) +
               "); redirects are not followed.";
    }
    if (t.badStatus) {
        return "The server answered with status " + std::to_string(t.status) + ".";
    }
    if (t.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        return "The file is larger than " + Megabytes(t.maxBytes) + ".";
    }
    if (t.sinkRefused) {
        return "The download could not be saved.";
    }
    if (code == CURLE_OPERATION_TIMEDOUT) {
        return "The server could not be reached within " + Seconds(limits.connectTimeout) + ".";
    }
    if (code == CURLE_OUT_OF_MEMORY && t.sent) {
        // The library refuses reply headers beyond its limit (100 KB) this way.
        return "The server's reply header is too large.";
    }
    if (code == CURLE_UNSUPPORTED_PROTOCOL) {
        return "Only http and https addresses can be fetched.";
    }
    // The library's own words are a detail, in brackets after the user's.
    const std::string detail = t.errorBuffer[0] != '\0' ? t.errorBuffer : curl_easy_strerror(code);
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "The host's name could not be found (" + detail + ").";
        case CURLE_COULDNT_CONNECT:
            return "The host could not be reached (" + detail + ").";
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return "The connection broke off during the transfer (" + detail + ").";
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return "The secure connection to the host could not be set up (" + detail + ").";
        default:
            return detail + ".";
    }
}

void HttpClient::Impl::Complete(HttpRequest& request, std::size_t item, const HttpResult& result) {
    std::optional<HttpRequest> next;
    if (request.done) {
        next = request.done(result);
    }
    if (next) {
        // A follow-up goes first, so that what one entry started ends soon.
        queue.emplace_front(std::move(*next), item);
        return;
    }
    ++itemsEnded;
    if (observer && !perTransferProgress) {
        observer->TransferWork(static_cast<std::int64_t>(itemsEnded));
    }
}

void HttpClient::Impl::Start(HttpRequest request, std::size_t item) {
    const auto fail = [&](const char* why) { Complete(request, item, {false, {}, why}); };
    if (cancelled) {
        return fail(kCancelledError);
    }
    if (!IsFetchableUrl(request.url)) {
        return fail("Only http and https addresses can be fetched.");
    }
    // Spaces are common in published file names; the URL parser takes none.
    std::string target;
    for (const char c : request.url) {
        target += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
    }
    auto t = std::make_unique<Transfer>();
    t->impl = this;
    t->item = item;
    t->easy = TakeEasy();
    CURL* easy = t->easy.get();
    // The library refuses an address beyond its input limit (a few megabytes);
    // a channel can publish one, and it is a failed request like any other.
    // The request names itself as its referrer.
    if (curl_easy_setopt(easy, CURLOPT_URL, target.c_str()) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_REFERER, target.c_str()) != CURLE_OK) {
        idle.push_back(std::move(t->easy));
        return fail("The address is too long to be fetched.");
    }
    t->request = std::move(request);
    t->maxBytes = t->request.maxBytes > 0 ? std::min(t->request.maxBytes, limits.maxBodyBytes)
                                          : limits.maxBodyBytes;
    t->lastActivity = SteadyClock::now();
    SetOption(easy, CURLOPT_ERRORBUFFER, t->errorBuffer);
    SetOption(easy, CURLOPT_HEADERDATA, t.get());
    SetOption(easy, CURLOPT_WRITEDATA, t.get());
    SetOption(easy, CURLOPT_XFERINFODATA, t.get());
    SetOption(easy, CURLOPT_PREREQDATA, t.get());
    SetOption(easy, CURLOPT_PRIVATE, static_cast<void*>(t.get()));
    if (t->request.head) {
        SetOption(easy, CURLOPT_NOBODY, 1L);
        SetOption(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t{0});
    } else {
        SetOption(easy, CURLOPT_HTTPGET, 1L);
        SetOption(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(t->maxBytes));
    }
    if (curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        idle.push_back(std::move(t->easy));
        return Complete(t->request, item, {false, {}, "The download could not be started."});
    }
    active.push_back(std::move(t));
}

void HttpClient::Impl::Detach(Transfer& t) {
    curl_multi_remove_handle(multi.get(), t.easy.get());
}

// Hands the connection handle back for the next request and completes the
// request with what the transfer came to.
void HttpClient::Impl::Finish(Transfer& t, CURLcode code) {
    Detach(t);
    EndTransfer(t);
    HttpResult result;
    long status = 0;
    curl_easy_getinfo(t.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (t.status == 0) {
        t.status = status;
    }
    if (code == CURLE_OK && !t.cancelled && status >= 200 && status < 300) {
        result.ok = true;
        curl_off_t time = -1;
        if (t.request.head &&
            curl_easy_getinfo(t.easy.get(), CURLINFO_FILETIME_T, &time) == CURLE_OK && time != -1) {
            result.lastModified = static_cast<std::time_t>(time);
        }
    } else {
        if (code == CURLE_OK && !t.cancelled) {
            t.badStatus = true;
        }
        result.error = Describe(t, code);
    }
    idle.push_back(std::move(t.easy));
    const auto at = std::find_if(active.begin(), active.end(),
                                 [&t](const auto& each) { return each.get() == &t; });
    std::unique_ptr<Transfer> owned = std::move(*at);
    active.erase(at);
    if (!error) {
        Complete(owned->request, owned->item, result);
    }
}

void HttpClient::Impl::Pulse() {
    const SteadyClock::time_point now = SteadyClock::now();
    if (now - lastPulse < kPulseInterval) {
        return;
    }
    lastPulse = now;
    if (observer) {
        observer->TransferPulse();
    }
}

void HttpClient::Impl::Run(std::vector<HttpRequest> requests) {
    if (busy) {
        // Nested in a running batch: everything fails without a request,
        // follow-ups included.
        for (HttpRequest& request : requests) {
            std::optional<HttpRequest> next = std::move(request);
            while (next) {
                HttpRequest current = std::move(*next);
                next = current.done ? current.done({false, {}, kBusyError}) : std::nullopt;
            }
        }
        return;
    }
    busy = true;
    perTransferProgress = requests.size() == 1;
    itemsEnded = 0;
    error = nullptr;
    lastPulse = SteadyClock::now();
    // Whatever ends the batch leaves the client ready for the next one.
    struct Reset {
        Impl& impl;
        ~Reset() {
            for (const auto& t : impl.active) {
                impl.Detach(*t);
                impl.idle.push_back(std::move(t->easy));
            }
            impl.active.clear();
            impl.queue.clear();
            impl.busy = false;
        }
    } reset{*this};

    for (std::size_t i = 0; i < requests.size(); ++i) {
        queue.emplace_back(std::move(requests[i]), i);
    }
    if (observer && !perTransferProgress) {
        observer->TransferBegin(static_cast<std::int64_t>(queue.size()));
    }
    while (!queue.empty() || !active.empty()) {
        while (!queue.empty() && active.size() < static_cast<std::size_t>(kMaxConnectionsPerHost) &&
               !error) {
            auto [request, item] = std::move(queue.front());
            queue.pop_front();
            Start(std::move(request), item);
        }
        if (error || active.empty()) {
            if (error) {
                break;
            }
            continue;
        }
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            void* data = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &data);
            const CURLcode code = message->data.result;
            Finish(*static_cast<Transfer*>(data), code);
        }
        if (error) {
            break;
        }
        const SteadyClock::time_point now = SteadyClock::now();
        std::vector<Transfer*> ended;
        for (const auto& t : active) {
            t->cancelled = cancelled;
            if (!t->cancelled) {
                CheckWatchdog(*t, now);
            }
            if (t->cancelled || t->timedOut || t->tooSlow) {
                ended.push_back(t.get());
            }
        }
        for (Transfer* t : ended) {
            Finish(*t, CURLE_ABORTED_BY_CALLBACK);
        }
        if (error) {
            break;
        }
        // A free slot is filled at once; otherwise wait for the network.
        const bool canStartMore =
            !queue.empty() && active.size() < static_cast<std::size_t>(kMaxConnectionsPerHost);
        if (!active.empty() && ended.empty() && !canStartMore) {
            curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(kPulseInterval.count()),
                            nullptr);
        }
        try {
            Pulse();
        } catch (...) {
            Keep(std::current_exception());
        }
    }
    if (!error && observer && !perTransferProgress) {
        try {
            observer->TransferEnd();
        } catch (...) {
            Keep(std::current_exception());
        }
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

HttpClient::HttpClient(HttpLimits limits) : impl_(std::make_unique<Impl>(limits)) {
    StartCurlOnce();
    impl_->multi.reset(curl_multi_init());
    impl_->share.reset(curl_share_init());
    curl_slist* list = curl_slist_append(nullptr, "Accept: text/html, */*");
    if (!impl_->multi || !impl_->share || !list) {
        curl_slist_free_all(list);
        throw Error("The network library could not be started.");
    }
    impl_->headers.reset(list);
    // One thread uses the share, so it needs no locks.
    if (curl_share_setopt(impl_->share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) !=
            CURLSHE_OK ||
        curl_share_setopt(impl_->share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK ||
        curl_multi_setopt(impl_->multi.get(), CURLMOPT_MAX_HOST_CONNECTIONS,
                          static_cast<long>(kMaxConnectionsPerHost)) != CURLM_OK ||
        curl_multi_setopt(impl_->multi.get(), CURLMOPT_MAXCONNECTS,
                          static_cast<long>(4 * kMaxConnectionsPerHost)) != CURLM_OK) {
        throw Error("The network library lacks a feature Wylo needs.");
    }
    // Fails early when the library lacks an option Wylo relies on.
    impl_->idle.push_back(impl_->TakeEasy());
}

HttpClient::~HttpClient() = default;

void HttpClient::SetObserver(TransferObserver* observer) {
    impl_->observer = observer;
}

HttpClient::HeadResult HttpClient::Head(const std::string& url) {
    HttpResult outcome;
    std::vector<HttpRequest> one;
    one.push_back({url, true, {}, [&outcome](const HttpResult& r) -> std::optional<HttpRequest> {
                       outcome = r;
                       return std::nullopt;
                   }});
    impl_->Run(std::move(one));
    impl_->lastError = outcome.error;
    return {outcome.ok, outcome.lastModified};
}

bool HttpClient::Get(const std::string& url, const BodySink& sink) {
    HttpResult outcome;
    std::vector<HttpRequest> one;
    one.push_back({url, false, sink, [&outcome](const HttpResult& r) -> std::optional<HttpRequest> {
                       outcome = r;
                       return std::nullopt;
                   }});
    impl_->Run(std::move(one));
    impl_->lastError = outcome.error;
    return outcome.ok;
}

void HttpClient::Run(std::vector<HttpRequest> requests) {
    impl_->Run(std::move(requests));
}

void HttpClient::Cancel() {
    impl_->cancelled = true;
    // A transfer waiting on a silent network hears of it at once.
    if (impl_->multi) {
        curl_multi_wakeup(impl_->multi.get());
    }
}

bool HttpClient::cancelled() const {
    return impl_->cancelled;
}

const std::string& HttpClient::LastError() const {
    return impl_->lastError;
}

}  // namespace wylo
