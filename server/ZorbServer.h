// The maker's server: the nine catalogue operations under /scripts/ and the update files under /files/.
// Every field of a request is checked before anything is stored; a refused request is answered with HTTP 200 and
// an error row, as the clients read failures from rows. Each request is one store transaction, so a refusal or a
// failure half way stores nothing, and the limits hold across every server sharing the database.
#pragma once

#include "server/ServerStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
} // namespace httplib

namespace zorb::server {

struct TServerOptions {
    std::string FilesDir; // served under /files/; empty serves nothing
    // Accepted sys_putdata and scr_putscript requests an hour, per installation id and per client address.
    int PublishLimit = 30;
    int PublishLimitAddress = 120;
    // Accepted scr_setrate requests an hour, likewise.
    int RateLimit = 60;
    int RateLimitAddress = 240;
    // Proxies whose X-Forwarded-For names the client; from anyone else the header is ignored.
    std::vector<std::string> TrustedProxies;
    // Seconds since 1970, UTC; tests move it.
    std::function<int64_t()> Clock;
};

constexpr size_t MaxBodyBytes = 8u << 20;

// At most this many ranges in one file request, none overlapping.
constexpr size_t MaxRanges = 4;

// E-mails that may rate one scenario from one installation.
constexpr size_t MaxRatersPerInstallation = 3;

class TZorbServer {
public:
    // Raises std::runtime_error on an option that cannot be used.
    TZorbServer(std::unique_ptr<TServerStore> store, TServerOptions options);
    ~TZorbServer();

    // Routes and the body limit on an HTTP or HTTPS server.
    void Install(httplib::Server& server);

    // One operation ("sys_getlist" ...) on a form body; the reply text. Unknown operations give empty text.
    // A store failure raises std::runtime_error.
    std::string Handle(const std::string& operation, const std::string& body, const std::string& clientAddress);
    static bool IsOperation(const std::string& operation);

    // The address the limits count: the peer, or for a trusted proxy the last address it was handed.
    std::string ClientAddress(const httplib::Request& request) const;

private:
    std::unique_ptr<TServerStore> FStore;
    TServerOptions FOptions;
    std::set<std::string> FProxies; // canonical addresses
    std::string FFilesRoot;         // canonical, empty when not serving
    std::mutex FLock;               // one request at a time uses the store's connection

    void ServeFile(const std::string& rawTarget, bool& found, std::string& path) const;
};

// The canonical text of an IPv4 or IPv6 address; empty when `text` is neither.
std::string CanonicalAddress(const std::string& text);

} // namespace zorb::server
