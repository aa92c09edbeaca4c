#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace wylo::test {

// A TLS server on 127.0.0.1 with a free port and a self-signed certificate
// made at construction, which no system trusts. It completes handshakes for
// clients that go on anyway and answers any request with a small body, so a
// client that verifies certificates must give up before it sends anything.
class TestTlsServer {
public:
    TestTlsServer();
    ~TestTlsServer();
    TestTlsServer(const TestTlsServer&) = delete;
    TestTlsServer& operator=(const TestTlsServer&) = delete;

    // "https://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;
    // Connections accepted, and HTTP requests read over TLS.
    int Connections() const { return connections_; }
    int Requests() const { return requests_; }

private:
    void Serve();

    struct Tls;
    Tls* tls_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace wylo::test
