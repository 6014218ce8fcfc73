// zorb-server inside the test process, hosted as the program hosts it: its own connection threads on a loopback
// port over a temporary SQLite file, with a clock the test moves.
#pragma once

#include "../common/TestHttpServer.h"
#include "../core/TestFiles.h"
#include "server/HttpHost.h"
#include "server/ZorbServer.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace zorb::test {

class TServerHost {
public:
    TServerHost(std::unique_ptr<server::TServerStore> store, const server::TServerOptions& options,
                server::THostOptions host = {})
        : FServer(std::make_unique<server::TZorbServer>(std::move(store), options)),
          FHost(std::make_unique<server::THttpHost>(std::move(host))) {
        FServer->Install(*FHost);
        FHost->Bind();
        FThread = std::thread([this] { FHost->Run(); });
    }
    ~TServerHost() {
        FHost->Stop();
        FThread.join();
    }
    TServerHost(const TServerHost&) = delete;
    TServerHost& operator=(const TServerHost&) = delete;

    int Port() const { return FHost->Port(); }
    std::string Url(const std::string& path) const { return FHost->Url(path); }

private:
    std::unique_ptr<server::TZorbServer> FServer;
    std::unique_ptr<server::THttpHost> FHost;
    std::thread FThread;
};

class TServerFixture : public testing::Test {
protected:
    TTempDir Dir;
    std::atomic<int64_t> Now{1767225600}; // 2026-01-01 00:00:00 UTC
    std::unique_ptr<TServerHost> Http;

    void StartServer(server::TServerOptions o) {
        Http.reset();
        o.Clock = [this] { return Now.load(); };
        Http = std::make_unique<TServerHost>(server::OpenSqliteStore(Dir.File("zorb.db")), o);
    }
    void StartServer(int publishLimit = 30, const std::string& filesDir = "") {
        server::TServerOptions o;
        o.PublishLimit = publishLimit;
        o.FilesDir = filesDir;
        StartServer(o);
    }
    void SetUp() override { StartServer(); }
    void TearDown() override { Http.reset(); }

    std::string BaseUrl() const { return Http->Url(""); }
};

} // namespace zorb::test
