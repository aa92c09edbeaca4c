#include "support/TestHttpServer.h"

#include <chrono>
#include <stdexcept>

namespace wylo::test {

TestHttpServer::TestHttpServer() {
    auto dispatch = [this](const httplib::Request& req, httplib::Response& res) {
        Dispatch(req, res);
    };
    server_.Get(".*", dispatch);  // HEAD requests arrive here too
    server_.Post(".*", dispatch);
    server_.set_keep_alive_max_count(100);
    // A client keeps several connections open at once, each holding a worker
    // while it idles, and a test may keep some handlers silent on purpose.
    server_.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server_.set_tcp_nodelay(true);  // headers and body go out at once
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("test HTTP server cannot bind to 127.0.0.1");
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // The socket already listens; wait for the accept loop so Stop() is safe.
    while (!server_.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TestHttpServer::~TestHttpServer() {
    Stop();
}

void TestHttpServer::Stop() {
    server_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TestHttpServer::Restart() {
    Stop();
    if (!server_.bind_to_port("127.0.0.1", port_)) {
        throw std::runtime_error("test HTTP server cannot bind to its port again");
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string TestHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string TestHttpServer::HttpDate(std::time_t t) {
    std::tm gmt{};
#ifdef _WIN32
    gmtime_s(&gmt, &t);
#else
    gmtime_r(&t, &gmt);
#endif
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &gmt);
    return text;
}

void TestHttpServer::Serve(const std::string& path, std::string body,
                           std::optional<std::time_t> lastModified, std::string contentType) {
    Route(path, [body = std::move(body), lastModified, contentType = std::move(contentType)](
                    const httplib::Request&, httplib::Response& res) {
        if (lastModified) {
            res.set_header("Last-Modified", HttpDate(*lastModified));
        }
        res.set_content(body, contentType.c_str());
    });
}

void TestHttpServer::Route(const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

void TestHttpServer::Remove(const std::string& path) {
    std::lock_guard lock(mutex_);
    routes_.erase(path);
}

std::vector<TestHttpServer::LoggedRequest> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

int TestHttpServer::Count(const std::string& method, const std::string& path) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const LoggedRequest& r : log_) {
        n += r.method == method && r.path == path;
    }
    return n;
}

void TestHttpServer::ClearRequests() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

void TestHttpServer::Dispatch(const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({req.method, req.path, req.headers});
        if (auto it = routes_.find(req.path); it != routes_.end()) {
            handler = it->second;
        }
    }
    if (handler) {
        handler(req, res);
    } else {
        res.status = 404;
        res.set_content("not found", "text/plain");
    }
}

}  // namespace wylo::test
