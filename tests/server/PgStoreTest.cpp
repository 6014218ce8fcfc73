// The PostgreSQL store against the SQLite one: the same requests must get the same replies. Runs when
// ZORB_TEST_PG holds a connection string to a database the test may empty.
#include "ServerFixture.h"
#include "net/Http.h"
#include "online/OnlineWire.h"

#ifdef ZORB_SERVER_HAVE_PG
#include <libpq-fe.h>
#endif

#include <cstdlib>

namespace zorb::test {
namespace {

std::vector<std::pair<std::string, TFormFields>> Script() {
    auto who = [](TFormFields f, const std::string& mail, const std::string& hwdid) {
        f.insert(f.end(), {{"appid", "{6F0C2A52-5E1B-4D8A-9C37-52A6E0B1D406}"},
                           {"appver", "1.0.0"},
                           {"hwdid", hwdid},
                           {"cl_name", "N"},
                           {"cl_mail", mail},
                           {"cl_lcid", "1049"}});
        return f;
    };
    const std::string lines = Base64Encode("1 2 3 4 5 6\r\n2 3 4 5 6 7");
    TFormFields sys = {{"del_mode", "0"},    {"sys_id", "0"}, {"nums", "7"},  {"clen", "6"},    {"olap", "1"},
                       {"title", "Система"}, {"descr", "d"},  {"csize", "2"}, {"clist", lines}, {"url", ""}};
    TFormFields scr = {{"del_mode", "0"},     {"scr_id", "-1"},   {"scr_uniapps", "1"},      {"scr_publics", "1"},
                       {"scr_title", "Один"}, {"scr_descr", "d"}, {"scr_script", "x\\r\\ny"}};
    TFormFields rate = {{"scr_id", "1"}, {"rate_value", "4"}, {"rate_notes", "ok"}};
    TFormFields rate2 = {{"scr_id", "1"}, {"rate_value", "1"}, {"rate_notes", ""}};
    return {{"sys_putdata", who(sys, "a@x.org", "h1")},
            {"sys_putdata", who(sys, "b@x.org", "h2")},
            {"sys_getdata", {{"sys_id", "2"}}},
            {"sys_getlist", who({{"comblen", "6"}, {"maxnums", "52"}}, "a@x.org", "h1")},
            {"scr_putscript", who(scr, "a@x.org", "h1")},
            {"scr_putscript", who(scr, "b@x.org", "h2")},
            {"scr_chktitle", {{"scr_id", "-1"}, {"scr_title", "ОДИН"}}},
            {"scr_setrate", who(rate, "b@x.org", "h2")},
            {"scr_setrate", who(rate2, "c@x.org", "h3")},
            {"scr_setrate", who(rate2, "B@X.org", "h2")},
            {"scr_getdata", who({{"scr_id", "1"}}, "c@x.org", "h3")},
            {"scr_getlist", who({{"fltid", "0"}}, "b@x.org", "h2")},
            {"scr_getrates", {{"scr_id", "1"}}},
            {"scr_putscript",
             [&] {
                 TFormFields d = scr;
                 d[0].second = "1";
                 d[1].second = "1";
                 d.pop_back();
                 return who(d, "a@x.org", "h1");
             }()},
            {"scr_getlist", who({{"fltid", "0"}}, "a@x.org", "h1")}};
}

std::string Transcript(std::unique_ptr<server::TServerStore> store) {
    TTestHttpServer http;
    server::TServerOptions o;
    o.Clock = [] { return int64_t(1767225600); };
    server::TZorbServer app(std::move(store), o);
    app.Install(http.Server());
    http.Start();
    std::string t;
    for (const auto& [op, fields] : Script())
        t += op + ": " + PostForm(http.Url("/scripts/" + op + ".php"), fields) + "\n";
    return t;
}

TEST(PgStoreTest, AnswersAsTheSqliteStoreDoes) {
#ifndef ZORB_SERVER_HAVE_PG
    GTEST_SKIP() << "built without libpq";
#else
    const char* conninfo = std::getenv("ZORB_TEST_PG");
    if (!conninfo || !*conninfo) GTEST_SKIP() << "ZORB_TEST_PG is not set";
    PGconn* c = PQconnectdb(conninfo);
    ASSERT_EQ(PQstatus(c), CONNECTION_OK) << PQerrorMessage(c);
    PQclear(PQexec(c, "DROP TABLE IF EXISTS rates, scripts, systems"));
    PQfinish(c);
    TTempDir dir;
    const std::string sqlite = Transcript(server::OpenSqliteStore(dir.File("s.db")));
    EXPECT_NE(sqlite.find("<id_scripts>0</id_scripts>"), std::string::npos) << sqlite;
    EXPECT_EQ(Transcript(server::OpenPgStore(conninfo)), sqlite);
#endif
}

} // namespace
} // namespace zorb::test
