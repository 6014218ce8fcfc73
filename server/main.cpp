// zorb-server --db FILE --port N [--bind ADDR] [--cert FILE --key FILE] [--files DIR] [--publish-limit N]
#include "server/ZorbServer.h"

#include <httplib.h>
#include <openssl/ssl.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

using namespace zorb::server;

namespace {

int Usage(const std::string& why) {
    std::cerr << "zorb-server: " << why << "\n"
              << "usage: zorb-server --db FILE --port N [--bind ADDR] [--cert FILE --key FILE] [--files DIR] "
                 "[--publish-limit N]\n";
    return 2;
}

bool ParseInt(const std::string& s, int lo, int hi, int& v) {
    try {
        size_t used = 0;
        const long x = std::stol(s, &used, 10);
        if (used != s.size() || x < lo || x > hi) return false;
        v = static_cast<int>(x);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string db, bind = "0.0.0.0", cert, key, files;
    int port = 0, limit = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") return Usage("the maker's server of Zorb 6x52"), 0;
        if (i + 1 >= argc) return Usage(a + " needs a value");
        const std::string v = argv[++i];
        if (a == "--db")
            db = v;
        else if (a == "--port") {
            if (!ParseInt(v, 1, 65535, port)) return Usage("--port: 1..65535");
        } else if (a == "--bind")
            bind = v;
        else if (a == "--cert")
            cert = v;
        else if (a == "--key")
            key = v;
        else if (a == "--files")
            files = v;
        else if (a == "--publish-limit") {
            if (!ParseInt(v, 0, 1000000, limit)) return Usage("--publish-limit: 0..1000000");
        } else
            return Usage("unknown option " + a);
    }
    if (db.empty() || port == 0) return Usage("--db and --port are required");
    if (cert.empty() != key.empty()) return Usage("--cert and --key go together");

    std::unique_ptr<TServerStore> store;
    try {
        if (db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0) {
#ifdef ZORB_SERVER_HAVE_PG
            store = OpenPgStore(db);
#else
            std::cerr << "zorb-server: built without PostgreSQL support\n";
            return 1;
#endif
        } else
            store = OpenSqliteStore(db);
    } catch (const std::exception& e) {
        std::cerr << "zorb-server: " << e.what() << "\n";
        return 1;
    }

    std::unique_ptr<httplib::Server> server;
    if (!cert.empty()) {
        auto tls = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
        if (!tls->is_valid()) {
            std::cerr << "zorb-server: cannot use the certificate " << cert << " with the key " << key << "\n";
            return 1;
        }
        SSL_CTX_set_min_proto_version(tls->ssl_context(), TLS1_2_VERSION);
        server = std::move(tls);
    } else
        server = std::make_unique<httplib::Server>();

    TServerOptions options;
    options.FilesDir = files;
    options.PublishLimit = limit;
    std::unique_ptr<TZorbServer> app;
    try {
        app = std::make_unique<TZorbServer>(std::move(store), options);
    } catch (const std::exception& e) {
        std::cerr << "zorb-server: " << e.what() << "\n";
        return 1;
    }
    app->Install(*server);

    // INT and TERM stop the server cleanly: a thread waits for them, the others never see them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread stopper([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        server->stop();
    });
    stopper.detach();

    std::cerr << "zorb-server: listening on " << bind << ":" << port << (cert.empty() ? " (HTTP)" : " (HTTPS)") << "\n";
    if (!server->listen(bind, port)) {
        std::cerr << "zorb-server: cannot listen on " << bind << ":" << port << "\n";
        return 1;
    }
    return 0;
}
