// The PostgreSQL store: the same replies as the SQLite one, and a server that outlives its database connection.
// Each test makes a database of its own on the cluster ZORB_TEST_PG reaches.
#include "PgTestDatabase.h"
#include "ServerRequests.h"
#include "server/ServerLog.h"

#include <mutex>

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
    server::TServerOptions o;
    o.Clock = [] { return int64_t(1767225600); };
    TServerHost http(std::move(store), o);
    std::string t;
    for (const auto& [op, fields] : Script())
        t += op + ": " + PostForm(http.Url("/scripts/" + op + ".php"), fields) + "\n";
    return t;
}

TEST(PgStoreTest, AnswersAsTheSqliteStoreDoes) {
    TPgTestDatabase db;
    ZORB_REQUIRE_PG(db);
    TTempDir dir;
    const std::string sqlite = Transcript(server::OpenSqliteStore(dir.File("s.db")));
    EXPECT_NE(sqlite.find("<id_scripts>0</id_scripts>"), std::string::npos) << sqlite;
    EXPECT_EQ(Transcript(server::OpenPgStore(db.ConnInfo())), sqlite);
}

// As after a restart of the database server: every connection is cut between two requests.
TEST(PgStoreTest, ReconnectsAndRunsTheRequestAgainWhenTheConnectionIsCut) {
    TPgTestDatabase db;
    ZORB_REQUIRE_PG(db);
    std::mutex lock;
    std::vector<std::string> warnings;
    server::SetLogSink([&](server::TLogLevel level, const std::string& text) {
        std::lock_guard guard(lock);
        if (level != server::TLogLevel::Info) warnings.push_back(text);
    });
    {
        TServerHost http(server::OpenPgStore(db.ConnInfo()), {});
        auto publish = [&](const std::string& title) {
            const std::string reply =
                PostForm(http.Url("/scripts/scr_putscript.php"), ScriptPut(-1, title, true, TWho{}));
            return Field(Rows(reply).at(0), "id_scripts");
        };
        EXPECT_EQ(publish("До"), "1");
        db.CutConnections();
        EXPECT_EQ(publish("После"), "2");
        db.CutConnections();
        EXPECT_EQ(Rows(PostForm(http.Url("/scripts/scr_getlist.php"), Listing("scr", "0"))).size(), 2u);
    }
    server::SetLogSink({});
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM scripts"), "2");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("PostgreSQL"), std::string::npos) << warnings[0];
}

TEST(PgStoreTest, KeepsRatingsOfTheFirstSchemaUntilTheirMailRatesAgain) {
    TPgTestDatabase db;
    ZORB_REQUIRE_PG(db);
    {
        auto store = server::OpenPgStore(db.ConnInfo());
        server::TScriptRow s;
        s.Title = s.TitleKey = "old";
        s.Public = 1;
        ASSERT_EQ(store->InsertScript(s), 1);
    }
    // Back to the first schema's ratings table, with one rating keyed on the e-mail alone.
    PGconn* c = PQconnectdb(db.ConnInfo().c_str());
    for (const char* sql : {"DROP TABLE rates",
                            "CREATE TABLE rates (script_id INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE, "
                            "mail_key TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT "
                            "NULL, app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL, seq "
                            "BIGSERIAL, PRIMARY KEY (script_id, mail_key))",
                            "INSERT INTO rates (script_id, mail_key, rate, notes, cl_name, app_name, app_ver, created) "
                            "VALUES (1, 'ivan@example.org', 2, '', 'Иван', '', '', '2025-01-01 00:00:00')"})
        PQclear(PQexec(c, sql));
    PQfinish(c);
    auto store = server::OpenPgStore(db.ConnInfo());
    store->SetRate(1, {"petr@example.org", "hw-p"}, 4, {});
    EXPECT_EQ(store->ListScripts({}).at(0).RatingCount, 2);
    store->SetRate(1, {"ivan@example.org", "hw-i"}, 5, {});
    const auto row = store->ListScripts({"ivan@example.org", "hw-i"}).at(0);
    EXPECT_EQ(row.RatingCount, 2);
    EXPECT_EQ(row.RatingAvg, 4.5);
    EXPECT_EQ(row.MyRating, 5);
}

} // namespace
} // namespace zorb::test
