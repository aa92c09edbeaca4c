#include "channels/HttpClient.h"

#include <exception>
#include <string>

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

struct HttpClient::Impl {
    // What one request has seen so far; reset before each.
    struct Transfer {
        const BodySink* sink = nullptr;
        bool sent = false;  // connected and the request on its way
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
        bool sinkRefused = false;
        std::exception_ptr error;
    };

    explicit Impl(HttpLimits l) : limits(l) {}

    template <typename T>
    void Set(CURLoption option, T value) {
        if (curl_easy_setopt(easy.get(), option, value) != CURLE_OK) {
            throw Error("The network library lacks a feature Wylo needs.");
        }
    }

    void Configure();
    bool Perform(const std::string& url, bool head, const BodySink* sink);
    void Begin(std::int64_t expected);
    void EndTransfer();
    std::string Describe(CURLcode code) const;

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t);
    static int OnRequestReady(void* self, char*, char*, int, int);

    HttpLimits limits;
    std::unique_ptr<CURL, EasyDeleter> easy;
    std::unique_ptr<curl_slist, ListDeleter> headers;
    TransferObserver* observer = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::string lastError;
    bool busy = false;
    Transfer t;
};

void HttpClient::Impl::Configure() {
    curl_slist* list = curl_slist_append(nullptr, "Accept: text/html, */*");
    if (!list) {
        throw Error("Out of memory while starting the network library.");
    }
    headers.reset(list);

    Set(CURLOPT_ERRORBUFFER, errorBuffer);
    Set(CURLOPT_NOSIGNAL, 1L);
    Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    Set(CURLOPT_PROTOCOLS_STR, "http,https");
    Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    Set(CURLOPT_FOLLOWLOCATION, 0L);
    // No proxy, not even one named by the environment.
    Set(CURLOPT_PROXY, "");
    Set(CURLOPT_NOPROXY, "*");
    // No authentication: credentials in a URL are refused rather than sent.
    Set(CURLOPT_DISALLOW_USERNAME_IN_URL, 1L);
    Set(CURLOPT_USERAGENT, "Wylo/1.04");
    Set(CURLOPT_HTTPHEADER, headers.get());
    // An empty name switches the cookie engine on without reading or writing
    // a file: cookies live in memory as long as this handle.
    Set(CURLOPT_COOKIEFILE, "");
    Set(CURLOPT_FILETIME, 1L);
    Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));

    Set(CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    Set(CURLOPT_HEADERDATA, this);
    Set(CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    Set(CURLOPT_WRITEDATA, this);
    Set(CURLOPT_NOPROGRESS, 0L);
    Set(CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    Set(CURLOPT_XFERINFODATA, this);
    Set(CURLOPT_PREREQFUNCTION, &Impl::OnRequestReady);
    Set(CURLOPT_PREREQDATA, this);
}

void HttpClient::Impl::Begin(std::int64_t expected) {
    t.begun = true;
    if (observer) {
        observer->TransferBegin(expected);
    }
}

// Closes the Begin/End pair even when the transfer failed before any reply.
void HttpClient::Impl::EndTransfer() {
    try {
        if (!t.begun) {
            Begin(0);
        }
        if (observer) {
            observer->TransferEnd();
        }
    } catch (...) {
        if (!t.error) {
            t.error = std::current_exception();
        }
    }
}

std::size_t HttpClient::Impl::OnHeader(char* data, std::size_t size, std::size_t count,
                                       void* self) {
    auto& impl = *static_cast<Impl*>(self);
    const std::size_t n = size * count;
    impl.t.lastActivity = SteadyClock::now();
    impl.t.replyBytes += static_cast<std::int64_t>(n);
    const std::string_view line(data, n);
    if (line != "\r\n" && line != "\n") {
        return n;
    }
    // The end of one reply's headers.
    long status = 0;
    curl_easy_getinfo(impl.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200) {
        return n;  // an interim reply; the real one follows
    }
    impl.t.status = status;
    if (status < 200 || status >= 300) {
        impl.t.badStatus = true;
        return 0;  // not worth reading the body of an error or a redirect
    }
    curl_off_t length = -1;
    curl_easy_getinfo(impl.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    try {
        impl.Begin(length > 0 ? length : 0);
    } catch (...) {
        impl.t.error = std::current_exception();
        return 0;
    }
    return n;
}

std::size_t HttpClient::Impl::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto& impl = *static_cast<Impl*>(self);
    const std::size_t n = size * count;
    impl.t.lastActivity = SteadyClock::now();
    impl.t.replyBytes += static_cast<std::int64_t>(n);
    // A server need not announce the length, so the limit is checked here too.
    if (impl.t.received + static_cast<std::int64_t>(n) > impl.limits.maxBodyBytes) {
        impl.t.tooLarge = true;
        return 0;
    }
    impl.t.received += static_cast<std::int64_t>(n);
    if (!impl.t.sink || n == 0) {
        return n;
    }
    try {
        if (!(*impl.t.sink)(std::string_view(data, n))) {
            impl.t.sinkRefused = true;
            return 0;
        }
    } catch (...) {
        impl.t.error = std::current_exception();
        return 0;
    }
    return n;
}

// Called about once a second while idle and more often while data flows: the
// watchdog for silent servers and the source of progress reports.
int HttpClient::Impl::OnProgress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto& impl = *static_cast<Impl*>(self);
    const SteadyClock::time_point time = SteadyClock::now();
    if (impl.t.sent && time - impl.t.lastActivity > impl.limits.readTimeout) {
        impl.t.timedOut = true;
        return 1;
    }
    if (impl.t.sent && impl.limits.minBytesPerSecond > 0 &&
        time - impl.t.windowStart >= impl.limits.rateWindow) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(time - impl.t.windowStart);
        const std::int64_t needed = impl.limits.minBytesPerSecond * elapsed.count() / 1000;
        if (impl.t.replyBytes - impl.t.windowBytes < needed) {
            impl.t.tooSlow = true;
            return 1;
        }
        impl.t.windowStart = time;
        impl.t.windowBytes = impl.t.replyBytes;
    }
    if (impl.t.begun && now != impl.t.reported) {
        impl.t.reported = now;
        if (impl.observer) {
            try {
                impl.observer->TransferWork(now);
            } catch (...) {
                impl.t.error = std::current_exception();
                return 1;
            }
        }
    }
    return 0;
}

// Runs once the connection stands (TLS included), just before the request is
// sent: from here on silence counts against the read timeout.
int HttpClient::Impl::OnRequestReady(void* self, char*, char*, int, int) {
    auto& impl = *static_cast<Impl*>(self);
    impl.t.sent = true;
    impl.t.lastActivity = SteadyClock::now();
    impl.t.windowStart = impl.t.lastActivity;
    impl.t.windowBytes = impl.t.replyBytes;
    return CURL_PREREQFUNC_OK;
}

std::string HttpClient::Impl::Describe(CURLcode code) const {
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
        return "The file is larger than " + Megabytes(limits.maxBodyBytes) + ".";
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
    if (errorBuffer[0] != '\0') {
        return std::string(errorBuffer) + ".";
    }
    return std::string(curl_easy_strerror(code)) + ".";
}

bool HttpClient::Impl::Perform(const std::string& url, bool head, const BodySink* sink) {
    lastError.clear();
    if (busy) {
        lastError = "Another download is still in progress.";
        return false;
    }
    if (!IsFetchableUrl(url)) {
        lastError = "Only http and https addresses can be fetched.";
        return false;
    }
    // Spaces are common in published file names; the URL parser takes none.
    std::string target;
    for (const char c : url) {
        target += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
    }
    // The library refuses an address beyond its input limit (a few megabytes);
    // a channel can publish one, and it is a failed request like any other.
    // The request names itself as its referrer.
    if (curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str()) != CURLE_OK ||
        curl_easy_setopt(easy.get(), CURLOPT_REFERER, target.c_str()) != CURLE_OK) {
        lastError = "The address is too long to be fetched.";
        return false;
    }
    busy = true;
    struct BusyReset {
        bool& flag;
        ~BusyReset() { flag = false; }
    } busyReset{busy};

    t = Transfer{};
    t.sink = sink;
    t.lastActivity = SteadyClock::now();
    errorBuffer[0] = '\0';

    if (head) {
        Set(CURLOPT_NOBODY, 1L);
        Set(CURLOPT_MAXFILESIZE_LARGE, curl_off_t{0});
    } else {
        Set(CURLOPT_HTTPGET, 1L);
        Set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    }

    const CURLcode code = curl_easy_perform(easy.get());
    EndTransfer();
    if (t.error) {
        std::rethrow_exception(t.error);
    }

    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (t.status == 0) {
        t.status = status;
    }
    if (code == CURLE_OK && status >= 200 && status < 300) {
        return true;
    }
    if (code == CURLE_OK) {
        t.badStatus = true;
    }
    lastError = Describe(code);
    return false;
}

HttpClient::HttpClient(HttpLimits limits) : impl_(std::make_unique<Impl>(limits)) {
    StartCurlOnce();
    impl_->easy.reset(curl_easy_init());
    if (!impl_->easy) {
        throw Error("The network library could not be started.");
    }
    impl_->Configure();
}

HttpClient::~HttpClient() = default;

void HttpClient::SetObserver(TransferObserver* observer) {
    impl_->observer = observer;
}

HttpClient::HeadResult HttpClient::Head(const std::string& url) {
    HeadResult result;
    result.ok = impl_->Perform(url, true, nullptr);
    if (result.ok) {
        curl_off_t time = -1;
        if (curl_easy_getinfo(impl_->easy.get(), CURLINFO_FILETIME_T, &time) == CURLE_OK &&
            time != -1) {
            result.lastModified = static_cast<std::time_t>(time);
        }
    }
    return result;
}

bool HttpClient::Get(const std::string& url, const BodySink& sink) {
    return impl_->Perform(url, false, &sink);
}

const std::string& HttpClient::LastError() const {
    return impl_->lastError;
}

}  // namespace wylo
