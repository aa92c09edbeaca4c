#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace wylo::test {

// A real HTTP/1.1 server on 127.0.0.1 with a free port, running on its own
// thread from construction to destruction. Resources are registered by path;
// every request is logged so tests can count HEADs and GETs.
class TestHttpServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    struct LoggedRequest {
        std::string method;
        std::string path;
        httplib::Headers headers;
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;

    // Serves body at path (GET and HEAD), with a Last-Modified header when given.
    void Serve(const std::string& path, std::string body,
               std::optional<std::time_t> lastModified = std::nullopt,
               std::string contentType = "application/octet-stream");
    // Answers requests for path with a handler of the test's own.
    void Route(const std::string& path, Handler handler);
    void Remove(const std::string& path);

    std::vector<LoggedRequest> Requests() const;
    int Count(const std::string& method, const std::string& path) const;
    void ClearRequests();

    // Stops listening; later requests find no server.
    void Stop();
    // Listens again on the same port with the same resources, as a host that
    // comes back.
    void Restart();

    // An HTTP date ("Tue, 08 Dec 2026 10:00:00 GMT").
    static std::string HttpDate(std::time_t t);

private:
    void Dispatch(const httplib::Request& req, httplib::Response& res);

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Handler> routes_;
    std::vector<LoggedRequest> log_;
};

}  // namespace wylo::test
