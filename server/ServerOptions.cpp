#include "server/ServerOptions.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zorb::server {

namespace {

const char* const Footer = R"(
Configuration file (--config): the same options without their leading dashes, one "name = value" a line;
"#" starts a comment; a list is written as ["a", "b"]. Options on the command line win over the file. Example:

  db = /var/lib/zorb-server/zorb.db
  files = /var/lib/zorb-server/files
  bind = 127.0.0.1
  port = 8080
  trusted-proxy = ["127.0.0.1"]

Stores: a --db value that is a postgresql:// (or postgres://) URI or a libpq keyword string such as
"host=db.example.org dbname=zorb user=zorb" names a PostgreSQL database; any other value is the path of an SQLite
file, created with its schema on first start (write ./NAME for a file whose name holds "="). Several zorb-server
processes may share one PostgreSQL database: every limit is counted in the database.

Limits: accepted publications (sys_putdata, scr_putscript) and ratings (scr_setrate) are counted per
installation id and per client address over the last hour; refused requests do not count. The client address is
the connection's peer, or, for a peer named by --trusted-proxy, the last address in its X-Forwarded-For header
that is not itself a trusted proxy.

Connections: each is served by its own thread, at most --max-connections at once (more wait in the listen
queue); a request (TLS handshake, header and body) must arrive within --request-timeout seconds, a long body
gaining one second for each 16 KiB it has sent.

Log: one line per event on stderr; under systemd each line carries the journal's priority prefix.
Signals: INT and TERM stop the server cleanly; open connections are cut.)";

} // namespace

int ParseServerOptions(const std::vector<std::string>& args, TServerConfig& config, std::ostream& out,
                       std::ostream& err) {
    CLI::App app{"zorb-server: the maker's server of Zorb 6x52 - the system catalogue, the scenario library and the "
                 "update files, over HTTP or HTTPS.",
                 "zorb-server"};
    app.footer(Footer);
    app.set_version_flag("--version", std::string("zorb-server ") + ZORB_VERSION);
    app.set_config("--config", "", "Read options from FILE (see below); none is read unless given")->type_name("FILE");
    app.get_formatter()->column_width(34);

    THostOptions& host = config.Host;
    TServerOptions& server = config.Server;
    if (host.Port == 0) host.Port = 8080;
    app.add_option("--db", config.Db, "SQLite database file, or PostgreSQL connection string (see Stores below)")
        ->type_name("DB")
        ->required();
    app.add_option("--files", server.FilesDir,
                   "Serve the regular files under DIR at /files/ (autoupdates/Kesto_AU.cfg, update packages); "
                   "without it nothing is served there")
        ->type_name("DIR");
    app.add_option("--bind", host.Bind, "Listen on this address (0.0.0.0 or :: for every interface)")
        ->type_name("ADDR")
        ->capture_default_str();
    app.add_option("--port", host.Port, "Listen on this TCP port")
        ->type_name("PORT")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    auto* cert = app.add_option("--cert", host.CertFile,
                                "Certificate chain (PEM): serve HTTPS only, TLS 1.2 or newer; without it plain "
                                "HTTP, for a loopback address or behind a TLS proxy")
                     ->type_name("FILE");
    auto* key = app.add_option("--key", host.KeyFile, "Private key of --cert (PEM)")->type_name("FILE");
    cert->needs(key);
    key->needs(cert);
    app.add_option("--publish-limit", server.PublishLimit, "Accepted publications an hour per installation id")
        ->type_name("N")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--publish-limit-address", server.PublishLimitAddress,
                   "Accepted publications an hour per client address")
        ->type_name("N")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--rate-limit", server.RateLimit, "Accepted ratings an hour per installation id")
        ->type_name("N")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--rate-limit-address", server.RateLimitAddress, "Accepted ratings an hour per client address")
        ->type_name("N")
        ->check(CLI::Range(0, 1000000))
        ->capture_default_str();
    app.add_option("--trusted-proxy", server.TrustedProxies,
                   "Address of a reverse proxy whose X-Forwarded-For header names the client (repeatable)")
        ->type_name("ADDR")
        ->take_all();
    app.add_option("--max-connections", host.MaxConnections, "Connections served at once")
        ->type_name("N")
        ->check(CLI::Range(1, 100000))
        ->capture_default_str();
    app.add_option("--request-timeout", host.RequestSeconds,
                   "Seconds for a request to arrive whole (TLS handshake, header, body)")
        ->type_name("SECONDS")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        if (!reversed.empty()) reversed.pop_back(); // the program's name
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? 0 : 2;
    }
    std::string why;
    config.Store = ClassifyDb(config.Db, why);
    if (config.Store == TStoreKind::Invalid) {
        err << "zorb-server: --db " << (config.Db.empty() ? "" : "\"" + config.Db + "\" ") << "is " << why << "\n";
        return 2;
    }
    for (const auto& proxy : server.TrustedProxies)
        if (CanonicalAddress(proxy).empty()) {
            err << "zorb-server: --trusted-proxy \"" << proxy << "\" is not an IP address\n";
            return 2;
        }
    return -1;
}

} // namespace zorb::server
