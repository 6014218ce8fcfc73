// zorb-server inside the test process: a real HTTP server on the loopback address over a temporary SQLite file,
// with a clock the test moves.
#pragma once

#include "../common/TestHttpServer.h"
#include "../core/TestFiles.h"
#include "server/ZorbServer.h"

#include <atomic>
#include <memory>
#include <string>

namespace zorb::test {

class TServerFixture : public testing::Test {
protected:
    TTempDir Dir;
    std::atomic<int64_t> Now{1767225600}; // 2026-01-01 00:00:00 UTC
    std::unique_ptr<TTestHttpServer> Http;
    std::unique_ptr<server::TZorbServer> Server;

    void StartServer(int publishLimit = 30, const std::string& filesDir = "") {
        Http = std::make_unique<TTestHttpServer>();
        server::TServerOptions o;
        o.PublishLimit = publishLimit;
        o.FilesDir = filesDir;
        o.Clock = [this] { return Now.load(); };
        Server = std::make_unique<server::TZorbServer>(server::OpenSqliteStore(Dir.File("zorb.db")), o);
        Server->Install(Http->Server());
        Http->Start();
    }
    void SetUp() override { StartServer(); }
    void TearDown() override { Http.reset(); }

    std::string BaseUrl() const { return Http->Url(""); }
};

} // namespace zorb::test
