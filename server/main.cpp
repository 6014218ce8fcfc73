// zorb-server: see --help.
#include "server/HttpHost.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"

#include <csignal>
#include <iostream>
#include <pthread.h>
#include <thread>

using namespace zorb::server;

int main(int argc, char** argv) {
    TServerConfig config;
    const int code = ParseServerOptions(std::vector<std::string>(argv, argv + argc), config, std::cout, std::cerr);
    if (code >= 0) return code;

    // INT and TERM stop the server cleanly: a thread waits for them, the others never see them. Blocked before
    // any thread starts, so every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::unique_ptr<THttpHost> host;
    std::unique_ptr<TZorbServer> app;
    try {
        auto store = config.Store == TStoreKind::Postgres ? OpenPgStore(config.Db) : OpenSqliteStore(config.Db);
        app = std::make_unique<TZorbServer>(std::move(store), config.Server);
        host = std::make_unique<THttpHost>(config.Host);
        app->Install(*host);
        host->Bind();
    } catch (const std::exception& e) {
        Log(TLogLevel::Error, e.what());
        return 1;
    }

    std::thread stopper([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        Log(TLogLevel::Info, std::string("stopping on ") + (sig == SIGINT ? "SIGINT" : "SIGTERM"));
        host->Stop();
    });
    stopper.detach();

    Log(TLogLevel::Info, "listening on " + host->Url("/") + " with " +
                             (config.Store == TStoreKind::Postgres ? "PostgreSQL" : "SQLite " + config.Db));
    host->Run();
    return 0;
}
