// The maker's server: the nine catalogue operations under /scripts/ and the update files under /files/.
// Every field of a request is checked before anything is stored; a refused request is answered with HTTP 200 and
// an error row, as the clients read failures from rows.
#pragma once

#include "server/ServerStore.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace httplib {
class Server;
}

namespace zorb::server {

struct TServerOptions {
    std::string FilesDir;  // served under /files/; empty serves nothing
    int PublishLimit = 30; // sys_putdata and scr_putscript per client address per hour
    // Seconds since 1970, UTC; tests move it.
    std::function<int64_t()> Clock;
};

constexpr size_t MaxBodyBytes = 8u << 20;

class TZorbServer {
public:
    TZorbServer(std::unique_ptr<TServerStore> store, TServerOptions options);
    ~TZorbServer();

    // Routes, body limit and timeouts on an HTTP or HTTPS server.
    void Install(httplib::Server& server);

    // One operation ("sys_getlist" ...) on a form body; the reply text. Unknown operations give empty text.
    std::string Handle(const std::string& operation, const std::string& body, const std::string& clientAddress);
    static bool IsOperation(const std::string& operation);

private:
    std::unique_ptr<TServerStore> FStore;
    TServerOptions FOptions;
    std::string FFilesRoot; // canonical, empty when not serving
    std::mutex FLock;       // one request at a time touches the store and the limits
    std::map<std::string, std::deque<int64_t>> FPublishes;

    bool AllowPublish(const std::string& address, int64_t now);
    void ServeFile(const std::string& rawTarget, bool& found, std::string& path) const;
};

} // namespace zorb::server
