#include "server/HttpHost.h"

#include "server/ServerLog.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace zorb::server {

namespace {

using Clock = std::chrono::steady_clock;

std::string SslErrorText() {
    const unsigned long e = ERR_get_error();
    char text[256] = "unknown TLS error";
    if (e) ERR_error_string_n(e, text, sizeof text);
    return text;
}

// "1.2.3.4" or "::1"; an IPv4 client of a dual-stack socket is named as IPv4, as the limits count it.
void AddressText(const sockaddr_storage& a, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (a.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (a.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr))
            inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
        else
            inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

// One client connection as the library's stream. Reads must finish before the request's deadline, which a long
// body pushes out by its size at the least acceptable rate; writes likewise from the first byte of the reply.
class TConnectionStream final : public httplib::Stream {
public:
    TConnectionStream(int fd, SSL_CTX* tls, const THostOptions& options, std::string ip, int port)
        : FFd(fd), FOptions(options), FIp(std::move(ip)), FPort(port) {
        if (tls) {
            FSsl = SSL_new(tls);
            if (!FSsl || SSL_set_fd(FSsl, fd) != 1) throw std::runtime_error("TLS: " + SslErrorText());
        }
    }
    ~TConnectionStream() override {
        if (FSsl) {
            if (FHandshakeDone) SSL_shutdown(FSsl); // one non-blocking attempt: a courtesy, not a wait
            SSL_free(FSsl);
        }
    }
    TConnectionStream(const TConnectionStream&) = delete;
    TConnectionStream& operator=(const TConnectionStream&) = delete;

    void StartRequest() {
        FStart = Clock::now();
        FRead = 0;
        FWriteStarted = false;
        FWritten = 0;
    }

    bool Handshake() {
        if (!FSsl) return true;
        for (;;) {
            ERR_clear_error();
            const int r = SSL_accept(FSsl);
            if (r == 1) return FHandshakeDone = true;
            if (!WaitForSsl(r, ReadDeadline())) return false;
        }
    }

    // True when the next request has begun to arrive within the idle wait.
    bool WaitNextRequest() {
        if (FSsl && SSL_pending(FSsl) > 0) return true;
        return WaitFor(POLLIN, Clock::now() + std::chrono::seconds(FOptions.KeepAliveSeconds));
    }

    bool is_readable() const override {
        if (FSsl && SSL_pending(FSsl) > 0) return true;
        return WaitFor(POLLIN, ReadDeadline());
    }
    bool is_writable() const override { return WaitFor(POLLOUT, WriteDeadline()); }

    ssize_t read(char* data, size_t size) override {
        const int chunk = static_cast<int>(std::min<size_t>(size, INT_MAX));
        for (;;) {
            ssize_t n = -1;
            if (FSsl) {
                ERR_clear_error();
                const int r = SSL_read(FSsl, data, chunk);
                if (r > 0)
                    n = r;
                else if (SSL_get_error(FSsl, r) == SSL_ERROR_ZERO_RETURN)
                    return 0;
                else if (!WaitForSsl(r, ReadDeadline()))
                    return -1;
            } else {
                n = ::recv(FFd, data, static_cast<size_t>(chunk), 0);
                if (n == 0) return 0;
                if (n < 0 && !Retry(POLLIN, ReadDeadline())) return -1;
            }
            if (n > 0) {
                FRead += static_cast<size_t>(n);
                return n;
            }
        }
    }

    using httplib::Stream::write;
    ssize_t write(const char* data, size_t size) override {
        if (!FWriteStarted) {
            FWriteStarted = true;
            FWriteStart = Clock::now();
        }
        const int chunk = static_cast<int>(std::min<size_t>(size, INT_MAX));
        for (;;) {
            ssize_t n = -1;
            if (FSsl) {
                ERR_clear_error();
                const int r = SSL_write(FSsl, data, chunk);
                if (r > 0)
                    n = r;
                else if (!WaitForSsl(r, WriteDeadline()))
                    return -1;
            } else {
                n = ::send(FFd, data, static_cast<size_t>(chunk), MSG_NOSIGNAL);
                if (n < 0 && !Retry(POLLOUT, WriteDeadline())) return -1;
            }
            if (n > 0) {
                FWritten += static_cast<size_t>(n);
                return n;
            }
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = FIp;
        port = FPort;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        ip.clear();
        port = 0;
        if (::getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &len) == 0) AddressText(a, ip, port);
    }
    socket_t socket() const override { return FFd; }

private:
    int FFd;
    const THostOptions& FOptions;
    std::string FIp;
    int FPort;
    SSL* FSsl = nullptr;
    bool FHandshakeDone = false;
    Clock::time_point FStart = Clock::now(), FWriteStart;
    size_t FRead = 0, FWritten = 0;
    bool FWriteStarted = false;

    static Clock::time_point Allowance(Clock::time_point from, int seconds, size_t bytes, size_t rate) {
        return from + std::chrono::seconds(seconds) + std::chrono::milliseconds(rate ? bytes * 1000 / rate : 0);
    }
    Clock::time_point ReadDeadline() const {
        return Allowance(FStart, FOptions.RequestSeconds, FRead, FOptions.MinBodyRate);
    }
    Clock::time_point WriteDeadline() const {
        return Allowance(FWriteStarted ? FWriteStart : Clock::now(), FOptions.WriteSeconds, FWritten,
                         FOptions.MinWriteRate);
    }

    bool WaitFor(short events, Clock::time_point until) const {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{FFd, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left + 1, INT_MAX)));
            if (r > 0) return true; // an error or hang-up shows in the next read or write
            if (r < 0 && errno != EINTR) return false;
        }
    }
    // After a failed recv or send: wait and try again, or give up.
    bool Retry(short events, Clock::time_point until) const {
        if (errno == EINTR) return true;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        return WaitFor(events, until);
    }
    bool WaitForSsl(int result, Clock::time_point until) const {
        switch (SSL_get_error(FSsl, result)) {
        case SSL_ERROR_WANT_READ: return WaitFor(POLLIN, until);
        case SSL_ERROR_WANT_WRITE: return WaitFor(POLLOUT, until);
        default: return false;
        }
    }
};

} // namespace

THttpHost::THttpHost(THostOptions options) : FOptions(std::move(options)) {
    if (FOptions.CertFile.empty() != FOptions.KeyFile.empty())
        throw std::runtime_error("a certificate and its key go together");
    if (!FOptions.CertFile.empty()) {
        FTls = SSL_CTX_new(TLS_server_method());
        if (!FTls) throw std::runtime_error("TLS: " + SslErrorText());
        SSL_CTX_set_min_proto_version(FTls, TLS1_2_VERSION);
        SSL_CTX_set_options(FTls, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
        SSL_CTX_set_mode(FTls, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        if (SSL_CTX_use_certificate_chain_file(FTls, FOptions.CertFile.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(FTls, FOptions.KeyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_check_private_key(FTls) != 1) {
            const std::string reason = SslErrorText();
            SSL_CTX_free(FTls);
            throw std::runtime_error("cannot use the certificate " + FOptions.CertFile + " with the key " +
                                     FOptions.KeyFile + ": " + reason);
        }
    }
    if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) {
        SSL_CTX_free(FTls);
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
}

THttpHost::~THttpHost() {
    Stop();
    if (FListen >= 0) {
        svr_sock_ = INVALID_SOCKET;
        ::close(FListen);
    }
    ::close(FWake[0]);
    ::close(FWake[1]);
    if (FTls) SSL_CTX_free(FTls);
}

std::string THttpHost::Url(const std::string& path) const {
    const bool v6 = FOptions.Bind.find(':') != std::string::npos;
    return std::string(FTls ? "https" : "http") + "://" + (v6 ? "[" + FOptions.Bind + "]" : FOptions.Bind) + ":" +
           std::to_string(FPort) + path;
}

int THttpHost::Bind() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(FOptions.Port);
    if (const int e = ::getaddrinfo(FOptions.Bind.c_str(), port.c_str(), &hints, &found); e != 0)
        throw std::runtime_error("cannot listen on " + FOptions.Bind + ": " + gai_strerror(e));
    std::string reason = "no address";
    for (addrinfo* a = found; a && FListen < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        const int on = 1, off = 0;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (a->ai_family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0)
            FListen = fd;
        else {
            reason = std::strerror(errno);
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (FListen < 0) throw std::runtime_error("cannot listen on " + FOptions.Bind + ":" + port + ": " + reason);
    // The library stops writing a reply body when its own listening socket is unset (its sign of shutting down).
    svr_sock_ = FListen;
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    std::string ip;
    if (::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len) == 0) AddressText(a, ip, FPort);
    return FPort;
}

void THttpHost::Stop() {
    if (FStopping.exchange(true)) return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(FWake[1], &byte, 1);
    FSlotFree.notify_all();
}

void THttpHost::JoinFinished(std::unique_lock<std::mutex>& lock) {
    std::vector<std::thread> done;
    for (uint64_t id : FFinished) {
        auto it = FConnections.find(id);
        done.push_back(std::move(it->second.Thread));
        FConnections.erase(it);
    }
    FFinished.clear();
    lock.unlock();
    for (auto& t : done) t.join();
    lock.lock();
}

void THttpHost::Run() {
    if (FListen < 0) Bind();
    // TLS writes go through write(2), which would end the process when a client has gone.
    std::signal(SIGPIPE, SIG_IGN);
    while (!FStopping) {
        {
            std::unique_lock lock(FLock);
            JoinFinished(lock);
            // At the cap, new clients wait in the kernel's queue until a connection ends (the deadlines see
            // that one does).
            FSlotFree.wait(lock, [&] {
                return FStopping || static_cast<int>(FConnections.size() - FFinished.size()) < FOptions.MaxConnections;
            });
            if (FStopping) break;
        }
        pollfd p[2] = {{FListen, POLLIN, 0}, {FWake[0], POLLIN, 0}};
        if (::poll(p, 2, 1000) <= 0 || (p[1].revents & POLLIN)) continue;
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        const int fd = ::accept4(FListen, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                Log(TLogLevel::Warning, std::string("accept: ") + std::strerror(errno));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::string ip;
        int port = 0;
        AddressText(a, ip, port);
        std::unique_lock lock(FLock);
        const uint64_t id = FNextId++;
        TConnection& c = FConnections[id];
        c.Socket = fd;
        try {
            c.Thread = std::thread([this, id, fd, ip, port] { Serve(id, fd, ip, port); });
        } catch (const std::system_error& e) {
            FConnections.erase(id);
            ::close(fd);
            lock.unlock();
            Log(TLogLevel::Warning, std::string("no thread for a connection: ") + e.what());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    // Cut the open connections: their reads and writes end at once.
    std::unique_lock lock(FLock);
    for (auto& [id, c] : FConnections)
        if (c.Socket >= 0) ::shutdown(c.Socket, SHUT_RDWR);
    FSlotFree.wait(lock, [&] { return FFinished.size() == FConnections.size(); });
    JoinFinished(lock);
    svr_sock_ = INVALID_SOCKET;
    ::close(FListen);
    FListen = -1;
}

void THttpHost::Serve(uint64_t id, int fd, const std::string& ip, int port) {
    try {
        TConnectionStream stream(fd, FTls, FOptions, ip, port);
        stream.StartRequest();
        if (stream.Handshake()) {
            for (int left = FOptions.KeepAliveRequests; left > 0 && !FStopping; --left) {
                if (left != FOptions.KeepAliveRequests) {
                    if (!stream.WaitNextRequest()) break;
                    stream.StartRequest();
                }
                bool closed = false;
                if (!process_request(stream, left == 1 || FStopping, closed, nullptr) || closed) break;
            }
        }
    } catch (const std::exception& e) {
        Log(TLogLevel::Error, "connection from " + ip + ": " + e.what());
    } catch (...) {
        Log(TLogLevel::Error, "connection from " + ip + ": unknown failure");
    }
    std::lock_guard lock(FLock);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    FConnections[id].Socket = -1;
    FFinished.push_back(id);
    FSlotFree.notify_all();
}

} // namespace zorb::server
