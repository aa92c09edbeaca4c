#include "support/TestTlsServer.h"

#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace wylo::test {

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("TestTlsServer: ") + what);
    }
}

}  // namespace

struct TestTlsServer::Tls {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context{nullptr, SSL_CTX_free};
};

TestTlsServer::TestTlsServer() : tls_(new Tls) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Check(key != nullptr, "no key");
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    Check(cert != nullptr, "no certificate");
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509_set_pubkey(cert.get(), key.get());
    Check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "signing failed");

    tls_->context.reset(SSL_CTX_new(TLS_server_method()));
    Check(tls_->context != nullptr, "no context");
    Check(SSL_CTX_use_certificate(tls_->context.get(), cert.get()) == 1, "certificate refused");
    Check(SSL_CTX_use_PrivateKey(tls_->context.get(), key.get()) == 1, "key refused");

    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    Check(listener_ >= 0, "no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    Check(bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
              listen(listener_, 8) == 0 &&
              getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0,
          "cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

TestTlsServer::~TestTlsServer() {
    stopping_ = true;
    thread_.join();
    close(listener_);
    delete tls_;
}

std::string TestTlsServer::Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
}

void TestTlsServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        ++connections_;
        // A client that stalls mid-handshake must not hold the server up.
        const timeval limit{5, 0};
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(tls_->context.get()), SSL_free);
        SSL_set_fd(ssl.get(), connection);
        if (SSL_accept(ssl.get()) == 1) {
            char request[4096];
            if (SSL_read(ssl.get(), request, sizeof request) > 0) {
                ++requests_;
                static const char reply[] =
                    "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nbytes";
                SSL_write(ssl.get(), reply, sizeof reply - 1);
            }
            SSL_shutdown(ssl.get());
        }
        ERR_clear_error();
        close(connection);
    }
}

}  // namespace wylo::test
