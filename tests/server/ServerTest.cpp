#include "ServerRequests.h"
#include "core/Errors.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace zorb::test {
namespace {

TEST_F(ServerTest, SystemRoundTripCountsDownloadsAndDatesChanges) {
    const int id = PublishSystem();
    ASSERT_GT(id, 0);
    Now += 3600;
    std::string clist;
    const auto data = Rows(Post("sys_getdata", {{"sys_id", std::to_string(id)}}));
    ASSERT_TRUE(Base64Decode(Field(data.at(0), "clist"), clist));
    EXPECT_EQ(clist, EightLines);

    auto row = Rows(Post("sys_getlist", Listing("sys", ""))).at(0);
    std::string title;
    ASSERT_TRUE(Base64Decode(Field(row, "title"), title));
    EXPECT_EQ(title, "Три из четырёх \"пар\"");
    EXPECT_EQ(Field(row, "cl_mail"), "Ivan@Example.org"); // the owner sees it whole
    EXPECT_EQ(Field(row, "created"), "2026-01-01 00:00:00");
    EXPECT_EQ(Field(row, "downloads"), "1");
    EXPECT_EQ(Field(row, "last_download"), "2026-01-01 01:00:00");
    EXPECT_EQ(Field(row, "url"), "https://example.org/s?a=1");

    // A change by the owner (mail in another case) moves the date; others see only a masked mail.
    TWho same;
    same.Mail = "ivan@EXAMPLE.org";
    EXPECT_EQ(Field(Rows(Post("sys_putdata", SystemPut(id, EightLines, 4, same)))[0], "id_systems"),
              std::to_string(id));
    TWho other;
    other.Mail = "petr@example.org";
    row = Rows(Post("sys_getlist", Listing("sys", "", other))).at(0);
    EXPECT_EQ(Field(row, "created"), "2026-01-01 01:00:00");
    EXPECT_EQ(Field(row, "cl_mail"), "i***@EXAMPLE.org");
}

// Each case spoils one thing of a valid publication; the server must refuse it and store nothing.
struct THostileCase {
    const char* Name;
    std::function<void(TFormFields&)> Spoil;
    const char* ErrorPart;
};

const THostileCase HostileSystems[] = {
    {"NumsAboveRange", [](TFormFields& f) { SetField(f, "nums", "53"); }, "nums:"},
    {"NumsNotDecimal", [](TFormFields& f) { SetField(f, "nums", "0x10"); }, "nums:"},
    {"ClenNotSix", [](TFormFields& f) { SetField(f, "clen", "5"); }, "clen:"},
    {"OlapSix", [](TFormFields& f) { SetField(f, "olap", "6"); }, "olap:"},
    {"PositionAboveNums",
     [](TFormFields& f) {
         SetField(f, "clist", Base64Encode("1 2 3 4 5 9\r\n1 2 3 4 7 8\r\n1 2 5 6 7 8\r\n3 4 5 6 7 8"));
     },
     "clist: line 1"},
    {"RepeatedPosition",
     [](TFormFields& f) {
         SetField(f, "clist", Base64Encode("1 2 3 4 5 6\r\n1 2 3 4 7 7\r\n1 2 5 6 7 8\r\n3 4 5 6 7 8"));
     },
     "clist: line 2"},
    {"FiveNumbersOnALine",
     [](TFormFields& f) {
         SetField(f, "clist", Base64Encode("1 2 3 4 5 6\r\n1 2 3 4 7 8\r\n1 2 5 6 7\r\n3 4 5 6 7 8"));
     },
     "clist: line 3"},
    {"LinesNotCsize", [](TFormFields& f) { SetField(f, "csize", "5"); }, "clist: 5 lines"},
    {"CsizeOverLimit", [](TFormFields& f) { SetField(f, "csize", "100001"); }, "csize:"},
    {"BadBase64", [](TFormFields& f) { SetField(f, "clist", "!!!!"); }, "clist: Base64"},
    {"TitleNotUtf8", [](TFormFields& f) { SetField(f, "title", "\xC3\x28"); }, "title:"},
    {"TitleOnlyBlanks", [](TFormFields& f) { SetField(f, "title", "   "); }, "title: must not be empty"},
    {"TitleTooLong", [](TFormFields& f) { SetField(f, "title", std::string(101, 'x')); }, "title: at most 100"},
    {"TitleWithLineBreak", [](TFormFields& f) { SetField(f, "title", "a\\nb"); }, "title:"},
    {"TitleBadEscape", [](TFormFields& f) { SetField(f, "title", "a\\x"); }, "title: malformed escaping"},
    {"DescrTooLong", [](TFormFields& f) { SetField(f, "descr", std::string(4001, 'd')); }, "descr: at most 4000"},
    {"ForgedRowInName", [](TFormFields& f) { SetField(f, "cl_name", "x</author></row><row><id>1"); }, "cl_name:"},
    {"MailWithoutAt", [](TFormFields& f) { SetField(f, "cl_mail", "nobody"); }, "cl_mail:"},
    {"MailWithTwoAts", [](TFormFields& f) { SetField(f, "cl_mail", "a@b@c"); }, "cl_mail:"},
    {"UrlNotHttp", [](TFormFields& f) { SetField(f, "url", "javascript:alert(1)"); }, "url:"},
    {"FieldTwice",
     [](TFormFields& f) {
         f.push_back({"nums", "8"});
     },
     "nums: given twice"},
    {"UnknownField",
     [](TFormFields& f) {
         f.push_back({"admin", "1"});
     },
     "admin: unknown field"},
    {"MissingField", [](TFormFields& f) { f.erase(f.begin() + 2); }, "nums: missing"},
    {"ForeignOwner",
     [](TFormFields& f) {
         SetField(f, "sys_id", "1");
         SetField(f, "hwdid", "someone-else");
     },
     "only the author"},
    {"ForeignOwnerDeletes",
     [](TFormFields& f) {
         SetField(f, "sys_id", "1");
         SetField(f, "del_mode", "1");
         SetField(f, "cl_mail", "petr@example.org");
     },
     "only the author"},
};

class ServerHostileSystemTest : public ServerTest, public testing::WithParamInterface<THostileCase> {};

TEST_P(ServerHostileSystemTest, IsRefusedAndChangesNothing) {
    ASSERT_EQ(PublishSystem(), 1);
    const std::string before = Snapshot();
    TFormFields f = SystemPut(0, EightLines, 4);
    GetParam().Spoil(f);
    const std::string reply = Post("sys_putdata", f);
    EXPECT_NE(Error(reply).find(GetParam().ErrorPart), std::string::npos) << reply;
    EXPECT_EQ(Field(Rows(reply).at(0), "id_systems"), "-1");
    EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerHostileSystemTest, testing::ValuesIn(HostileSystems),
                         [](const auto& c) { return std::string(c.param.Name); });

const THostileCase HostileScripts[] = {
    {"TitleTooLong", [](TFormFields& f) { SetField(f, "scr_title", std::string(65, 'x')); }, "scr_title: at most 64"},
    {"TitleTaken", [](TFormFields& f) { SetField(f, "scr_title", "  ПЕРВЫЙ "); }, "scr_title: a scenario"},
    {"ScriptOverOneMiB", [](TFormFields& f) { SetField(f, "scr_script", std::string((1 << 20) + 1, 's')); },
     "scr_script: at most"},
    {"ScriptEmpty", [](TFormFields& f) { SetField(f, "scr_script", "\\r\\n"); }, "scr_script: must not be empty"},
    {"ScriptControlCharacter", [](TFormFields& f) { SetField(f, "scr_script", "a\\1b"); }, "scr_script:"},
    {"FlagTwo", [](TFormFields& f) { SetField(f, "scr_publics", "2"); }, "scr_publics:"},
    {"ForgedRowInVersion", [](TFormFields& f) { SetField(f, "appver", "1</app_ver></row><row>"); }, "appver:"},
    {"AuthorTooLong", [](TFormFields& f) { SetField(f, "cl_name", std::string(65, 'a')); }, "cl_name: at most 64"},
    {"MailTooLong", [](TFormFields& f) { SetField(f, "cl_mail", std::string(250, 'a') + "@b.org"); }, "cl_mail:"},
    {"IdNotDecimal", [](TFormFields& f) { SetField(f, "scr_id", "1 OR 1=1"); }, "scr_id:"},
    {"ForeignOwnerReplaces",
     [](TFormFields& f) {
         SetField(f, "scr_id", "1");
         SetField(f, "hwdid", "other");
     },
     "only the author"},
    {"ForeignOwnerDeletes",
     [](TFormFields& f) {
         SetField(f, "scr_id", "1");
         SetField(f, "del_mode", "1");
         SetField(f, "cl_mail", "petr@example.org");
     },
     "only the author"},
};

class ServerHostileScriptTest : public ServerTest, public testing::WithParamInterface<THostileCase> {};

TEST_P(ServerHostileScriptTest, IsRefusedAndChangesNothing) {
    ASSERT_EQ(PublishScript("Первый"), 1);
    const std::string before = Snapshot();
    TFormFields f = ScriptPut(-1, "Второй", true);
    GetParam().Spoil(f);
    const std::string reply = Post("scr_putscript", f);
    EXPECT_NE(Error(reply).find(GetParam().ErrorPart), std::string::npos) << reply.substr(0, 300);
    EXPECT_EQ(Field(Rows(reply).at(0), "id_scripts"), "-1");
    EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerHostileScriptTest, testing::ValuesIn(HostileScripts),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(ServerTest, SqlTextIsStoredAsText) {
    TFormFields f = SystemPut(0, EightLines, 4);
    const std::string evil = "x'); DROP TABLE systems; --";
    SetField(f, "title", EscapeRequest(evil));
    ASSERT_EQ(Field(Rows(Post("sys_putdata", f))[0], "id_systems"), "1");
    std::string title;
    ASSERT_TRUE(Base64Decode(Field(Rows(Post("sys_getlist", Listing("sys", ""))).at(0), "title"), title));
    EXPECT_EQ(title, evil);
}

TEST_F(ServerTest, OwnerDeletesSystem) {
    const int id = PublishSystem();
    TFormFields f = SystemPut(id, "", 0);
    SetField(f, "del_mode", "1");
    SetField(f, "clist", "");
    EXPECT_EQ(Field(Rows(Post("sys_putdata", f))[0], "id_systems"), "0");
    EXPECT_TRUE(Rows(Post("sys_getlist", Listing("sys", ""))).empty());
}

TEST_F(ServerTest, HttpLayerRefusesOversizedUnknownAndWrongMethods) {
    httplib::Client c("127.0.0.1", Http->Port());
    const std::string big(server::MaxBodyBytes + 1, 'a');
    auto r = c.Post("/scripts/sys_putdata.php", big, "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 413);
    r = c.Post("/scripts/nothing.php", "a=1", "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    r = c.Get("/scripts/sys_getlist.php");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 405);
    r = c.Get("/elsewhere");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    r = c.Post("/scripts/sys_getdata.php", "sys_id=%zz", "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find("<error>form: malformed percent encoding</error>"), std::string::npos);
}

TEST_F(ServerTest, PublishLimitPerAddressAndHour) {
    StartServer(2);
    EXPECT_EQ(PublishSystem(), 1);
    EXPECT_EQ(PublishScript("a"), 1);
    const std::string reply = Post("sys_putdata", SystemPut(0, EightLines, 4));
    EXPECT_EQ(Field(Rows(reply).at(0), "res_code"), "-3");
    Now += 3601;
    EXPECT_EQ(PublishSystem(), 2);
}

TEST_F(ServerTest, TitlesAreUniqueIgnoringCaseAndBlanks) {
    const int id = PublishScript("Сценарий Ёлка");
    ASSERT_GT(id, 0);
    auto check = [&](int forId, const std::string& title) {
        return Field(
            Rows(Post("scr_chktitle", {{"scr_id", std::to_string(forId)}, {"scr_title", EscapeRequest(title)}})).at(0),
            "ret_code");
    };
    EXPECT_EQ(check(-1, "  сценарий ёЛКА "), "1");
    EXPECT_EQ(check(id, "СЦЕНАРИЙ ЁЛКА"), "0");
    EXPECT_EQ(check(-1, "Другой"), "0");
    const std::string reply = Post("scr_putscript", ScriptPut(-1, "сценарий ёлка ", true));
    EXPECT_NE(Error(reply).find("scr_title:"), std::string::npos) << reply;
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "0"))).size(), 1u);
}

TEST_F(ServerTest, PrivateScenarioReachesOnlyItsAuthor) {
    const int id = PublishScript("Тайный", false);
    TWho other;
    other.Mail = "petr@example.org";
    TWho sameMailOtherInstall;
    sameMailOtherInstall.Hwdid = "hw-2";
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "0"))).size(), 1u);
    EXPECT_TRUE(Rows(Post("scr_getlist", Listing("scr", "0", other))).empty());
    EXPECT_TRUE(Rows(Post("scr_getlist", Listing("scr", "0", sameMailOtherInstall))).empty());

    TFormFields get = {{"scr_id", std::to_string(id)}};
    EXPECT_EQ(Field(Rows(Post("scr_getdata", get)).at(0), "res_code"), "-1"); // no identity: nothing
    AddIdentity(get, other);
    EXPECT_EQ(Field(Rows(Post("scr_getdata", get)).at(0), "res_code"), "-1");
    TFormFields mine = {{"scr_id", std::to_string(id)}};
    AddIdentity(mine, TWho{});
    std::string text;
    ASSERT_TRUE(Base64Decode(Field(Rows(Post("scr_getdata", mine)).at(0), "script"), text));
    EXPECT_EQ(text, "[1]\r\nNUMS:=\"1\"\r\n");
}

TEST_F(ServerTest, RatingsReplaceRemoveHideAndFilter) {
    const int id = PublishScript("Оценки");
    auto rate = [&](const TWho& who, int value, const std::string& notes = "") {
        TFormFields f = {{"scr_id", std::to_string(id)},
                         {"rate_value", std::to_string(value)},
                         {"rate_notes", EscapeRequest(notes)}};
        AddIdentity(f, who);
        return Field(Rows(Post("scr_setrate", f)).at(0), "res_code");
    };
    const TWho a{"A", "a@x.org", "hw-a"}, b{"B", "b@x.org", "hw-b"}, c{"C", "c@x.org", "hw-c"};
    EXPECT_EQ(rate(a, 2), "0");
    EXPECT_EQ(rate(a, 5, "хорошо"), "0"); // replaces
    EXPECT_EQ(rate(TWho{.Name = "B", .Mail = "B@X.ORG", .Hwdid = "hw-b"}, 4), "0");
    EXPECT_EQ(rate(b, 3), "0");  // the same user as above: replaces 4
    EXPECT_EQ(rate(c, -1), "0"); // hidden: not counted
    EXPECT_EQ(rate(a, 7), "-2");
    EXPECT_EQ(rate(a, 5, "</notes></row><row>"), "-2");
    auto row = Rows(Post("scr_getlist", Listing("scr", "1", a))).at(0);
    EXPECT_EQ(Field(row, "rating_avg"), "4.000");
    EXPECT_EQ(Field(row, "rating_cnt"), "2");
    EXPECT_EQ(Field(row, "rating_you"), "5");
    EXPECT_EQ(Rows(Post("scr_getrates", {{"scr_id", std::to_string(id)}})).size(), 2u);

    // Hidden rows appear only under -1 and 0.
    for (int filter = -1; filter <= 6; ++filter) {
        const size_t n = Rows(Post("scr_getlist", Listing("scr", std::to_string(filter), c))).size();
        EXPECT_EQ(n, filter <= 0 ? 1u : 0u) << filter;
    }
    EXPECT_EQ(rate(c, 0), "0");
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "5", c))).size(), 1u); // without my rating
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "4", a))).size(), 1u); // with my rating
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "6", a))).size(), 1u); // new
    Now += 86401;
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "6", a))).size(), 0u);
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "2", a))).size(), 0u); // not a's
    EXPECT_EQ(Rows(Post("scr_getlist", Listing("scr", "2"))).size(), 1u);    // the author's
}

class ServerFilesTest : public ServerTest {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::create_directories(Dir.File("files/autoupdates"));
        fs::create_directories(Dir.File("files/UpdDescr"));
        std::ofstream(Dir.File("files/autoupdates/Kesto_AU.cfg")) << "[GlobalOptions]\n";
        std::ofstream(Dir.File("secret.txt")) << "secret";
        fs::create_symlink(Dir.File("secret.txt"), Dir.File("files/UpdDescr/link.txt"));
        StartServer(30, Dir.File("files"));
    }
};

TEST_F(ServerFilesTest, ServesOnlyRegularFilesInside) {
    httplib::Client c("127.0.0.1", Http->Port());
    auto r = c.Get("/files/autoupdates/Kesto_AU.cfg");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "[GlobalOptions]\n");
    r = c.Head("/files/autoupdates/Kesto_AU.cfg");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    for (const char* bad : {"/files/../secret.txt", "/files/autoupdates/../../secret.txt", "/files/%2e%2e/secret.txt",
                            "/files/autoupdates%2f..%2f..%2fsecret.txt", "/files/..%5csecret.txt",
                            "/files/autoupdates/Kesto_AU.cfg%00", "/files/UpdDescr/link.txt", "/files/autoupdates",
                            "/files/autoupdates/", "/files/", "/files//etc/passwd", "/files/nothing.cfg"}) {
        r = c.Get(bad);
        ASSERT_TRUE(r) << bad;
        EXPECT_EQ(r->status, 404) << bad;
        EXPECT_EQ(r->body.find("secret"), std::string::npos) << bad;
    }
    r = c.Post("/files/autoupdates/Kesto_AU.cfg", "x", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 405);
}

TEST(ServerTlsTest, ServesOverHttpsWithCertificate) {
    const std::string data = ZORB_TEST_DATA;
    TTempDir dir;
    server::THostOptions tls;
    tls.CertFile = data + "/selfsigned.crt";
    tls.KeyFile = data + "/selfsigned.key";
    TServerHost https(server::OpenSqliteStore(dir.File("t.db")), {}, tls);
    THttpOptions trusted;
    trusted.CaFile = data + "/selfsigned.crt";
    const std::string reply =
        PostForm(https.Url("/scripts/scr_chktitle.php"), {{"scr_id", "-1"}, {"scr_title", "Новый"}}, trusted);
    EXPECT_NE(reply.find("<ret_code>0</ret_code>"), std::string::npos) << reply;
}

TEST(ServerStoreTest, ReopensAnExistingFile) {
    TTempDir dir;
    {
        auto store = server::OpenSqliteStore(dir.File("s.db"));
        server::TSystemRow r;
        r.Title = "keep";
        r.Created = "2026-01-01 00:00:00";
        EXPECT_EQ(store->InsertSystem(r), 1);
    }
    auto store = server::OpenSqliteStore(dir.File("s.db"));
    ASSERT_EQ(store->ListSystems().size(), 1u);
    EXPECT_EQ(store->ListSystems()[0].Title, "keep");
    std::ofstream(dir.File("junk.db")) << std::string(4096, 'j');
    EXPECT_THROW(server::OpenSqliteStore(dir.File("junk.db")), std::runtime_error);
}

// A file of the first schema, whose ratings knew only the e-mail: opened, its ratings still count, and the
// next rating under that e-mail takes the old one's place.
TEST(ServerStoreTest, MigratesRatingsOfTheFirstSchema) {
    TTempDir dir;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.File("v1.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, R"sql(
        CREATE TABLE systems (id INTEGER PRIMARY KEY AUTOINCREMENT, nums INTEGER NOT NULL, olap INTEGER NOT NULL,
            csize INTEGER NOT NULL, title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL,
            mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL, url TEXT NOT NULL, clist TEXT NOT NULL,
            created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download TEXT NOT NULL DEFAULT '');
        CREATE TABLE scripts (id INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT NOT NULL,
            title_key TEXT NOT NULL UNIQUE, descr TEXT NOT NULL, script TEXT NOT NULL, author TEXT NOT NULL,
            mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL, app_guid TEXT NOT NULL,
            app_name TEXT NOT NULL, app_ver TEXT NOT NULL, lcid INTEGER NOT NULL, uniapps INTEGER NOT NULL,
            publics INTEGER NOT NULL, created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0,
            last_download TEXT NOT NULL DEFAULT '');
        CREATE TABLE rates (script_id INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
            mail_key TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT NULL,
            app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL, PRIMARY KEY (script_id, mail_key));
        INSERT INTO scripts VALUES (1, 'Old', 'old', '', 'x', 'Иван', 'ivan@example.org', 'ivan@example.org', 'hw-i',
            '', '', '', 1049, 1, 1, '2025-01-01 00:00:00', 0, '');
        INSERT INTO rates VALUES (1, 'ivan@example.org', 2, '', 'Иван', '', '', '2025-01-01 00:00:00');
        INSERT INTO rates VALUES (1, 'petr@example.org', 4, '', 'Пётр', '', '', '2025-01-02 00:00:00');
        PRAGMA user_version = 1;)sql",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto store = server::OpenSqliteStore(dir.File("v1.db"));
    EXPECT_EQ(store->ListRates(1).size(), 2u);
    store->SetRate(1, {"ivan@example.org", "hw-i"}, 5, {});
    const auto row = store->ListScripts({"ivan@example.org", "hw-i"}).at(0);
    EXPECT_EQ(row.RatingCount, 2);
    EXPECT_EQ(row.RatingAvg, 4.5);
    EXPECT_EQ(row.MyRating, 5);
}

} // namespace
} // namespace zorb::test
