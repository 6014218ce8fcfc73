// What a hostile or careless client must not reach: someone else's ratings and hidden list through their e-mail,
// other users' publications through a shared address or refused requests, the server's memory through ranges.
#include "ServerRequests.h"
#include "server/ServerLog.h"

#include <httplib.h>

#include <filesystem>
#include <mutex>

namespace zorb::test {
namespace {

class ServerAbuseTest : public ServerTest {
protected:
    std::string Rate(int id, const TWho& who, int value) {
        TFormFields f = {{"scr_id", std::to_string(id)}, {"rate_value", std::to_string(value)}, {"rate_notes", ""}};
        AddIdentity(f, who);
        const auto rows = Rows(Post("scr_setrate", f));
        return rows.empty() ? "" : Field(rows.back(), "res_code");
    }
    // The catalogue row of the only scenario as `who` sees it under a filter; empty when not shown.
    std::string Row(const TWho& who, int filter = 0) {
        const auto rows = Rows(Post("scr_getlist", Listing("scr", std::to_string(filter), who)));
        return rows.empty() ? "" : rows[0];
    }
    std::string PostWith(const std::string& op, const TFormFields& f, const httplib::Headers& headers) {
        httplib::Client c("127.0.0.1", Http->Port());
        const auto r =
            c.Post(("/scripts/" + op + ".php").c_str(), headers, EncodeForm(f), "application/x-www-form-urlencoded");
        return r ? r->body : "";
    }
};

const TWho Owner{"Автор", "owner@example.org", "hw-owner"};
const TWho Intruder{"Чужой", "OWNER@example.org", "hw-intruder"}; // knows the e-mail, not the installation

TEST_F(ServerAbuseTest, AnotherInstallationWithTheSameMailReachesNoRatingOrHiddenMark) {
    const int id = PublishScript("Чужие оценки");
    ASSERT_EQ(Rate(id, Owner, 5), "0");
    ASSERT_EQ(Rate(id, Intruder, 1), "0"); // a rating of its own, beside the owner's
    ASSERT_EQ(Rate(id, Intruder, 0), "0"); // removes only that one
    std::string row = Row(Owner);
    EXPECT_EQ(Field(row, "rating_you"), "5");
    EXPECT_EQ(Field(row, "rating_cnt"), "1");
    EXPECT_EQ(Field(Row(Intruder), "rating_you"), "0");

    ASSERT_EQ(Rate(id, Owner, -1), "0"); // hidden by the owner
    EXPECT_NE(Row(Owner, -1), "");
    EXPECT_EQ(Row(Intruder, -1), "") << "the owner's hidden list";
    EXPECT_EQ(Field(Row(Intruder, 1), "rating_you"), "0");
}

TEST_F(ServerAbuseTest, OneInstallationRatesAScenarioUnderAFewMailsOnly) {
    const int id = PublishScript("Накрутка");
    auto bot = [](int i) { return TWho{"Бот", "bot" + std::to_string(i) + "@example.org", "hw-bot"}; };
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Rate(id, bot(i), 5), i < 3 ? "0" : "-3") << i;
    EXPECT_EQ(Rate(id, bot(1), 4), "0");  // one of the three changes its mind
    EXPECT_EQ(Rate(id, bot(7), -1), "0"); // hiding is each user's own business
    ASSERT_EQ(Rate(id, Owner, 1), "0");
    const std::string row = Row(Owner);
    EXPECT_EQ(Field(row, "rating_cnt"), "4");
    EXPECT_EQ(Field(row, "rating_avg"), "3.750");
}

TEST_F(ServerAbuseTest, RatingsAreLimitedPerInstallationAndAddress) {
    server::TServerOptions o;
    o.RateLimit = 3;
    o.RateLimitAddress = 5;
    StartServer(o);
    const int id = PublishScript("Лимит");
    EXPECT_EQ(Rate(id, Owner, 9), "-2"); // refused for its value: not counted
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Rate(id, Owner, 4), "0") << i;
    EXPECT_EQ(Rate(id, Owner, 4), "-3");
    const TWho second{"Второй", "second@example.org", "hw-second"};
    EXPECT_EQ(Rate(id, second, 4), "0");
    EXPECT_EQ(Rate(id, second, 5), "0");
    EXPECT_EQ(Rate(id, TWho{"Третий", "third@example.org", "hw-third"}, 4), "-3"); // the address's five are used
    Now += 3601;
    EXPECT_EQ(Rate(id, Owner, 2), "0");
}

TEST_F(ServerAbuseTest, RefusedPublicationsDoNotCountAgainstAnyone) {
    // Thirty refused requests from one installation; then another user behind the same address publishes.
    for (int i = 0; i < 30; ++i) {
        TFormFields f = SystemPut(0, EightLines, 4);
        SetField(f, "nums", "99");
        ASSERT_EQ(Field(Rows(Post("sys_putdata", f)).at(0), "id_systems"), "-1");
    }
    EXPECT_GT(PublishSystem(TWho{"Другой", "other@example.org", "hw-other"}), 0);
}

TEST_F(ServerAbuseTest, PublicationsAreLimitedPerInstallationAndPerAddress) {
    server::TServerOptions o;
    o.PublishLimit = 2;
    o.PublishLimitAddress = 3;
    StartServer(o);
    const TWho a{"А", "a@example.org", "hw-a"}, b{"Б", "b@example.org", "hw-b"}, c{"В", "c@example.org", "hw-c"};
    EXPECT_GT(PublishSystem(a), 0);
    EXPECT_GT(PublishScript("Раз", true, a), 0);
    EXPECT_EQ(Field(Rows(Post("sys_putdata", SystemPut(0, EightLines, 4, a))).at(0), "res_code"), "-3");
    EXPECT_GT(PublishSystem(b), 0); // another installation at the same address
    EXPECT_EQ(Field(Rows(Post("sys_putdata", SystemPut(0, EightLines, 4, c))).at(0), "res_code"), "-3");
}

TEST_F(ServerAbuseTest, ForwardedAddressCountsOnlyFromATrustedProxy) {
    server::TServerOptions o;
    o.PublishLimitAddress = 1;
    o.TrustedProxies = {"127.0.0.1"};
    StartServer(o);
    auto publish = [&](const TWho& who, const std::string& forwarded) {
        const std::string reply =
            PostWith("sys_putdata", SystemPut(0, EightLines, 4, who), {{"X-Forwarded-For", forwarded}});
        return Field(Rows(reply).at(0), "id_systems");
    };
    const TWho a{"А", "a@example.org", "hw-a"}, b{"Б", "b@example.org", "hw-b"}, c{"В", "c@example.org", "hw-c"};
    EXPECT_EQ(publish(a, "10.0.0.1"), "1");
    EXPECT_EQ(publish(b, "10.0.0.2"), "2");
    EXPECT_EQ(publish(c, "10.0.0.7, 10.0.0.1"), "-1") << "a forged first hop";

    o.TrustedProxies.clear();
    StartServer(o); // the same database: one publication from 127.0.0.1 is not yet counted
    EXPECT_EQ(publish(c, "10.0.0.3"), "3");
    EXPECT_EQ(publish(TWho{"Г", "d@example.org", "hw-d"}, "10.0.0.4"), "-1") << "the header of a stranger";
}

struct TForwardCase {
    const char* Name;
    const char* Peer;
    std::vector<std::string> Forwarded; // one header each
    const char* Client;
};

const TForwardCase ForwardCases[] = {
    {"NoHeader", "127.0.0.1", {}, "127.0.0.1"},
    {"OneHop", "127.0.0.1", {"203.0.113.5"}, "203.0.113.5"},
    {"ChainOfOwnProxies", "127.0.0.1", {"198.51.100.1, 203.0.113.5, 10.1.1.1"}, "203.0.113.5"},
    {"TwoHeaders", "127.0.0.1", {"198.51.100.1", "203.0.113.5"}, "203.0.113.5"},
    {"Ipv6Canonical", "127.0.0.1", {"2001:DB8:0:0::1"}, "2001:db8::1"},
    {"GarbageHop", "127.0.0.1", {"203.0.113.5, not-an-address"}, "127.0.0.1"},
    {"StrangerPeer", "192.0.2.9", {"203.0.113.5"}, "192.0.2.9"},
    {"OnlyProxies", "127.0.0.1", {"10.1.1.1"}, "10.1.1.1"},
};

class ClientAddressTest : public testing::TestWithParam<TForwardCase> {};

TEST_P(ClientAddressTest, IsTheLastHopBeforeTheTrustedProxies) {
    TTempDir dir;
    server::TServerOptions o;
    o.TrustedProxies = {"127.0.0.1", "10.1.1.1"};
    server::TZorbServer app(server::OpenSqliteStore(dir.File("a.db")), o);
    httplib::Request req;
    req.remote_addr = GetParam().Peer;
    for (const auto& h : GetParam().Forwarded) req.headers.emplace("X-Forwarded-For", h);
    EXPECT_EQ(app.ClientAddress(req), GetParam().Client);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClientAddressTest, testing::ValuesIn(ForwardCases),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(ServerAbuseTest, ViewingASystemDoesNotCountAsADownload) {
    const int id = PublishSystem();
    auto downloads = [&] { return Field(Rows(Post("sys_getlist", Listing("sys", ""))).at(0), "downloads"); };
    const std::string sys = std::to_string(id);
    ASSERT_FALSE(Rows(Post("sys_getdata", {{"sys_id", sys}, {"dl_mode", "0"}})).empty());
    EXPECT_EQ(downloads(), "0");
    Post("sys_getdata", {{"sys_id", sys}, {"dl_mode", "1"}});
    Post("sys_getdata", {{"sys_id", sys}}); // a client that does not say
    EXPECT_EQ(downloads(), "2");
    EXPECT_NE(Error(Post("sys_getdata", {{"sys_id", sys}, {"dl_mode", "2"}})).find("dl_mode:"), std::string::npos);
}

TEST_F(ServerAbuseTest, StoreFailureIsAnsweredWithServerErrorAndLogged) {
    std::mutex lock;
    std::vector<std::string> lines;
    server::SetLogSink([&](server::TLogLevel level, const std::string& text) {
        std::lock_guard guard(lock);
        if (level == server::TLogLevel::Error) lines.push_back(text);
    });
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Dir.File("zorb.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE systems", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    httplib::Client c("127.0.0.1", Http->Port());
    const auto r =
        c.Post("/scripts/sys_getlist.php", EncodeForm(Listing("sys", "")), "application/x-www-form-urlencoded");
    server::SetLogSink({});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 500);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("sys_getlist"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("no such table: systems"), std::string::npos) << lines[0];
}

// --- Ranges -----------------------------------------------------------------------------------------------------

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return s;
}

std::string ManyRanges(int count, const std::string& each) {
    std::string r = "bytes=";
    for (int i = 0; i < count; ++i) r += (i ? "," : "") + each;
    return r;
}

struct TRangeCase {
    const char* Name;
    std::string Range;
    int Status;
    std::string Body; // the bytes expected; "*" for the whole file; "" when only the status counts
};

const size_t FileSize = 1 << 20;

const TRangeCase RangeCases[] = {
    {"One", "bytes=10-19", 206, Pattern(FileSize).substr(10, 10)},
    {"Suffix", "bytes=-5", 206, Pattern(FileSize).substr(FileSize - 5)},
    {"OpenEnd", "bytes=1048570-", 206, Pattern(FileSize).substr(FileSize - 6)},
    {"Overlapping", "bytes=0-99,50-149", 200, "*"},
    {"SameRangeAgain", ManyRanges(2, "0-0"), 200, "*"},
    {"ManyWholeFiles", ManyRanges(780, "0-1048575"), 200, "*"},
    {"ManySmallApart", "bytes=0-0,2-2,4-4,6-6,8-8", 200, "*"},
    {"PastTheEnd", "bytes=1048576-", 416, ""},
    {"Malformed", "bytes=x-y", 416, ""},
};

class ServerRangeTest : public ServerTest, public testing::WithParamInterface<TRangeCase> {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Dir.File("files/autoupdates"));
        WriteRaw(Dir.File("files/autoupdates/package.zip"), Pattern(FileSize));
        StartServer(30, Dir.File("files"));
    }
};

TEST_P(ServerRangeTest, ServesAFewSeparateRangesOrTheWholeFileOnce) {
    httplib::Client c("127.0.0.1", Http->Port());
    const auto r = c.Get("/files/autoupdates/package.zip", {{"Range", GetParam().Range}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, GetParam().Status);
    if (GetParam().Body == "*") {
        EXPECT_TRUE(r->body == Pattern(FileSize)) << r->body.size();
    } else if (!GetParam().Body.empty()) {
        EXPECT_EQ(r->body, GetParam().Body);
    }
    if (GetParam().Status == 416 && r->has_header("Content-Range")) {
        EXPECT_EQ(r->get_header_value("Content-Range"), "bytes */1048576");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerRangeTest, testing::ValuesIn(RangeCases),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(ServerRangeTest, TwoSeparateRangesComeAsTwoParts) {
    httplib::Client c("127.0.0.1", Http->Port());
    const auto r = c.Get("/files/autoupdates/package.zip", {{"Range", "bytes=0-3,100-103"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 206);
    EXPECT_EQ(r->get_header_value("Content-Type").rfind("multipart/byteranges", 0), 0u);
    const std::string data = Pattern(FileSize);
    EXPECT_NE(r->body.find(data.substr(0, 4)), std::string::npos);
    EXPECT_NE(r->body.find(data.substr(100, 4)), std::string::npos);
    EXPECT_LT(r->body.size(), 1000u);
}

TEST_F(ServerRangeTest, CatalogueRepliesIgnoreRanges) {
    PublishSystem();
    httplib::Client c("127.0.0.1", Http->Port());
    const std::string form = EncodeForm(Listing("sys", ""));
    const auto plain = c.Post("/scripts/sys_getlist.php", form, "application/x-www-form-urlencoded");
    const auto ranged = c.Post("/scripts/sys_getlist.php", {{"Range", ManyRanges(100, "0-")}}, form,
                               "application/x-www-form-urlencoded");
    ASSERT_TRUE(plain && ranged);
    EXPECT_EQ(ranged->status, 200);
    EXPECT_EQ(ranged->body, plain->body);
}

} // namespace
} // namespace zorb::test
