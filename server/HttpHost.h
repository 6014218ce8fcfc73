// The connections of zorb-server. The HTTP library parses requests and routes them; this host owns the sockets:
// one thread per connection up to a cap (more wait in the kernel's queue), so a slow client holds only its own
// thread, and every request must arrive whole - TLS handshake, header and body - before a deadline, so a client
// that sends a byte now and then cannot keep even that thread for long.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using SSL_CTX = struct ssl_ctx_st;

namespace zorb::server {

struct THostOptions {
    std::string Bind = "127.0.0.1";
    int Port = 0;                  // 0: a free port the system picks
    std::string CertFile, KeyFile; // PEM; both given: HTTPS only, TLS 1.2 or newer
    int MaxConnections = 512;      // served at once
    int RequestSeconds = 20;       // for a request to arrive: TLS handshake, header and the start of the body
    size_t MinBodyRate = 16384;    // bytes a second that earn a long body more time than RequestSeconds
    int WriteSeconds = 20;         // for the start of a reply to leave
    size_t MinWriteRate = 4096;    // bytes a second that earn a long reply more time than WriteSeconds
    int KeepAliveSeconds = 5;      // idle wait for the next request on a connection
    int KeepAliveRequests = 20;    // requests on one connection
};

class THttpHost : public httplib::Server {
public:
    // Raises std::runtime_error when the certificate or the key cannot be used.
    explicit THttpHost(THostOptions options);
    ~THttpHost() override;
    THttpHost(const THttpHost&) = delete;
    THttpHost& operator=(const THttpHost&) = delete;

    // Binds and listens; the port. Raises std::runtime_error.
    int Bind();
    // Serves until Stop(); returns when every connection has ended.
    void Run();
    // From any thread, once Run may have started: no new connections, open ones are cut.
    void Stop();

    int Port() const { return FPort; }
    bool Tls() const { return FTls != nullptr; }
    std::string Url(const std::string& path) const;

private:
    THostOptions FOptions;
    SSL_CTX* FTls = nullptr;
    int FListen = -1, FPort = 0;
    int FWake[2] = {-1, -1};
    std::atomic<bool> FStopping{false};

    struct TConnection {
        int Socket = -1; // -1 once closed, so Stop never touches a number the system gave out again
        std::thread Thread;
    };
    std::mutex FLock;
    std::condition_variable FSlotFree;
    std::map<uint64_t, TConnection> FConnections;
    std::vector<uint64_t> FFinished; // threads that have returned, to join
    uint64_t FNextId = 0;

    void Serve(uint64_t id, int fd, const std::string& ip, int port);
    void JoinFinished(std::unique_lock<std::mutex>& lock);
};

} // namespace zorb::server
