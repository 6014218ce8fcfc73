// zorb-server's command line and configuration file: what a packager and an administrator write must mean what
// they think, and a --db value must never silently become the wrong store.
#include "../core/TestFiles.h"
#include "server/ServerOptions.h"

#include <sstream>

namespace zorb::test {
namespace {

using server::TStoreKind;

struct TDbCase {
    const char* Name;
    std::string Value;
    TStoreKind Kind;
};

const TDbCase DbCases[] = {
    {"AbsolutePath", "/var/lib/zorb-server/zorb.db", TStoreKind::Sqlite},
    {"RelativePath", "zorb.db", TStoreKind::Sqlite},
    {"DotPathWithEquals", "./a=b.db", TStoreKind::Sqlite},
    {"Uri", "postgresql://zorb@localhost:5432/zorb", TStoreKind::Postgres},
    {"ShortUri", "postgres://localhost/zorb", TStoreKind::Postgres},
    {"Keywords", "host=localhost dbname=zorb user=zorb", TStoreKind::Postgres},
    {"QuotedKeywords", "host=localhost dbname='my db'", TStoreKind::Postgres},
    {"KeywordWithoutValue", "host=localhost dbname", TStoreKind::Invalid},
    {"UnknownKeyword", "hots=localhost", TStoreKind::Invalid},
    {"OtherScheme", "mysql://localhost/zorb", TStoreKind::Invalid},
    {"Empty", "", TStoreKind::Invalid},
    {"ControlCharacter", "zorb\n.db", TStoreKind::Invalid},
    {"Directory", "/tmp", TStoreKind::Invalid},
    {"TrailingSlash", "data/", TStoreKind::Invalid},
};

class DbValueTest : public testing::TestWithParam<TDbCase> {};

TEST_P(DbValueTest, NamesOneStoreOrIsRefused) {
    std::string why;
    EXPECT_EQ(server::ClassifyDb(GetParam().Value, why), GetParam().Kind) << why;
    EXPECT_EQ(why.empty(), GetParam().Kind != TStoreKind::Invalid) << why;
}

INSTANTIATE_TEST_SUITE_P(Cases, DbValueTest, testing::ValuesIn(DbCases),
                         [](const auto& c) { return std::string(c.param.Name); });

int Parse(std::vector<std::string> args, server::TServerConfig& config, std::string* err = nullptr) {
    args.insert(args.begin(), "zorb-server");
    std::ostringstream out, errors;
    const int code = server::ParseServerOptions(args, config, out, errors);
    if (err) *err = errors.str();
    return code;
}

TEST(ServerOptionsTest, DefaultsServeTheLoopbackOnly) {
    server::TServerConfig c;
    ASSERT_EQ(Parse({"--db", "z.db"}, c), -1);
    EXPECT_EQ(c.Host.Bind, "127.0.0.1");
    EXPECT_EQ(c.Host.Port, 8080);
    EXPECT_EQ(c.Store, TStoreKind::Sqlite);
    EXPECT_TRUE(c.Host.CertFile.empty());
}

// The example shipped for packagers: every option it sets arrives, and the command line wins over it.
TEST(ServerOptionsTest, ExampleConfigurationFileIsReadAndTheCommandLineWins) {
    server::TServerConfig c;
    std::string err;
    ASSERT_EQ(Parse({"--config", ZORB_SOURCE_DIR "/server/zorb-server.conf.example", "--port", "9000"}, c, &err), -1)
        << err;
    EXPECT_EQ(c.Db, "/var/lib/zorb-server/zorb.db");
    EXPECT_EQ(c.Server.FilesDir, "/var/lib/zorb-server/files");
    EXPECT_EQ(c.Host.Bind, "127.0.0.1");
    EXPECT_EQ(c.Host.Port, 9000);
    EXPECT_EQ(c.Server.PublishLimit, 30);
    EXPECT_EQ(c.Server.RateLimitAddress, 240);
    EXPECT_EQ(c.Server.TrustedProxies, (std::vector<std::string>{"127.0.0.1", "::1"}));
    EXPECT_EQ(c.Host.MaxConnections, 512);
}

TEST(ServerOptionsTest, KeywordConnectionStringFromAFileIsPostgres) {
    TTempDir dir;
    WriteRaw(dir.File("z.conf"), "db = \"host=db.example.org dbname=zorb\"\npublish-limit = 5\n");
    server::TServerConfig c;
    ASSERT_EQ(Parse({"--config", dir.File("z.conf")}, c), -1);
    EXPECT_EQ(c.Db, "host=db.example.org dbname=zorb");
    EXPECT_EQ(c.Store, TStoreKind::Postgres);
    EXPECT_EQ(c.Server.PublishLimit, 5);
}

struct TBadArgs {
    const char* Name;
    std::vector<std::string> Args;
    const char* ErrorPart;
};

const TBadArgs BadArgs[] = {
    {"NoDb", {}, "--db"},
    {"DbNeither", {"--db", "host=x dbname"}, "--db"},
    {"PortZero", {"--db", "z.db", "--port", "0"}, "--port"},
    {"CertWithoutKey", {"--db", "z.db", "--cert", "c.pem"}, "--key"},
    {"ProxyNotAnAddress", {"--db", "z.db", "--trusted-proxy", "proxy.local"}, "--trusted-proxy"},
    {"MissingConfig", {"--config", "/nonexistent/zorb-server.conf"}, "zorb-server.conf"},
    {"UnknownOption", {"--db", "z.db", "--publish-limt", "3"}, "--publish-limt"},
};

class BadArgsTest : public testing::TestWithParam<TBadArgs> {};

TEST_P(BadArgsTest, AreRefusedWithTheirName) {
    server::TServerConfig c;
    std::string err;
    EXPECT_EQ(Parse(GetParam().Args, c, &err), 2);
    EXPECT_NE(err.find(GetParam().ErrorPart), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Cases, BadArgsTest, testing::ValuesIn(BadArgs),
                         [](const auto& c) { return std::string(c.param.Name); });

} // namespace
} // namespace zorb::test
