// zorb-server's command line and configuration file, parsed with CLI11: every option may stand on the command
// line or, without its dashes, as "name = value" in the file given by --config; the command line wins.
#pragma once

#include "server/HttpHost.h"
#include "server/ZorbServer.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zorb::server {

struct TServerConfig {
    std::string Db;
    TStoreKind Store = TStoreKind::Invalid;
    THostOptions Host;
    TServerOptions Server;
};

// Fills `config` from the arguments (argv[0] is the program). Returns -1 when the server should start;
// otherwise the exit code, after --help or --version on `out` or the error on `err`.
int ParseServerOptions(const std::vector<std::string>& args, TServerConfig& config, std::ostream& out,
                       std::ostream& err);

} // namespace zorb::server
