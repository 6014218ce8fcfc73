#include "online/OnlineClient.h"
#include "../server/ServerFixture.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "online/OnlineWire.h"
#include "online/Systems.h"

#include <filesystem>
#include <sys/stat.h>

namespace zorb::test {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EZorbError& e) {
        return e.what();
    }
    return "<no error>";
}

class OnlineClientTest : public TServerFixture {
protected:
    TOnlineIdentity Who(const std::string& mail = "ivan@example.org", const std::string& hwdid = "hw-1") {
        TOnlineIdentity w;
        w.ServerUrl = BaseUrl();
        w.Name = "Иван";
        w.Mail = mail;
        w.Hwdid = hwdid;
        return w;
    }
    tSystemData System(const std::string& combs, int csize) {
        tSystemData d;
        d.Info.Nums = 8;
        d.Info.Olap = 3;
        d.Info.CSize = csize;
        d.Info.Title = "Пары 'три из четырёх'?";
        d.Info.Descr = "a\\b \"c\"\r\nвторая строка";
        d.Info.Author = "Иван";
        d.Info.AuthorMail = "ivan@example.org";
        d.Info.Url = "http://example.org/";
        d.Combs = combs;
        return d;
    }
};

const std::string Pairs = "01 02 03 04 05 06\r\n01 02 03 04 07 08\r\n01 02 05 06 07 08\r\n03 04 05 06 07 08";

TEST_F(OnlineClientTest, SystemRoundTripAndFile) {
    const auto who = Who();
    const int id = RequestSystemPut(who, System(Pairs, 4), false);
    ASSERT_EQ(id, 1);
    const auto list = RequestSystemList(who);
    ASSERT_EQ(list.size(), 1u);
    const tSystemInfo& s = list[0];
    EXPECT_EQ(s.Title, "Пары 'три из четырёх'?");
    EXPECT_EQ(s.Descr, "a\\b \"c\"\r\nвторая строка");
    EXPECT_EQ(s.AuthorMail, "ivan@example.org");
    EXPECT_EQ(s.Nums, 8);
    EXPECT_EQ(s.CSize, 4);
    EXPECT_EQ(LocalToUnixSeconds(s.Created), Now.load());

    TTempDir sys;
    const std::string path = WriteSystemFile(sys.Path(), s, RequestSystemData(who, id));
    EXPECT_EQ(ExtractFileName(path), "6-08-3_0001.dat");
    EXPECT_EQ(ReadFileBytes(path), Pairs + "\r\n");
    EXPECT_EQ(std::filesystem::last_write_time(path).time_since_epoch().count() != 0, true);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, Now.load());

    // Another user sees a masked mail, so it is not theirs, and cannot delete it.
    const auto other = Who("petr@example.org", "hw-9");
    EXPECT_FALSE(SameText(RequestSystemList(other)[0].AuthorMail, other.Mail));
    tSystemData d;
    d.Info = s;
    d.Info.AuthorMail = other.Mail;
    EXPECT_NE(ErrorOf([&] { RequestSystemPut(other, d, true); }).find("only the author"), std::string::npos);
    d.Info.AuthorMail = who.Mail;
    EXPECT_EQ(RequestSystemPut(who, d, true), 0);
    EXPECT_EQ(RequestSystemList(who).at(0).Id, -1); // an empty catalogue shows the placeholder row
}

TEST_F(OnlineClientTest, LargeSystemAndScenarioRoundTrip) {
    // Far beyond what a form parser with a small limit would take.
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += Format("%.2d %.2d %.2d %.2d %.2d %.2d\r\n", 1 + i % 40, 41, 42, 43, 44, 45 + i % 7 / 6);
    lines.resize(lines.size() - 2);
    tSystemData d = System(lines, 20000);
    d.Info.Nums = 46;
    const auto who = Who();
    const int id = RequestSystemPut(who, d, false);
    ASSERT_GT(id, 0);
    EXPECT_EQ(RequestSystemData(who, id), lines);
    tScriptData s;
    s.Author = "Иван";
    s.Title = "Большой";
    const std::string script(900000, 'x');
    const int sid = RequestScriptPut(who, s, script);
    ASSERT_GT(sid, 0);
    EXPECT_EQ(RequestScriptText(who, sid), script);
}

TEST_F(OnlineClientTest, LibraryRoundTrip) {
    const auto who = Who();
    tScriptData d;
    d.Author = "Иван";
    d.Language = 1049;
    d.Title = "Сценарий \"А\"";
    d.Descr = "описание?";
    const std::string script = "[1]\r\nSUMS:=\"100-150\"\r\n\r\nтест\\н\r\n";
    EXPECT_TRUE(RequestScriptTitleFree(who, -1, d.Title));
    const int id = RequestScriptPut(who, d, script);
    ASSERT_GT(id, 0);
    EXPECT_FALSE(RequestScriptTitleFree(who, -1, "сценарий \"а\""));
    EXPECT_TRUE(RequestScriptTitleFree(who, id, "сценарий \"а\""));
    EXPECT_EQ(RequestScriptText(who, id), script);

    RequestScriptRate(who, id, 4, "");
    const auto other = Who("b@example.org", "hw-2");
    RequestScriptRate(other, id, 2, "так себе");
    auto list = RequestScriptList(who, 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].Mine);
    EXPECT_TRUE(list[0].Usable);
    EXPECT_TRUE(list[0].Editable);
    EXPECT_DOUBLE_EQ(list[0].Rating, 3.0);
    EXPECT_EQ(list[0].MyRating, 4);
    EXPECT_EQ(list[0].Downloads, 1);
    EXPECT_EQ(list[0].Title, d.Title);
    const auto rates = RequestScriptRates(other, id);
    ASSERT_EQ(rates.size(), 2u);
    EXPECT_EQ(rates[1].Notes, "так себе");
    EXPECT_FALSE(RequestScriptList(other, 1)[0].Mine);

    EXPECT_EQ(ErrorOf([&] { RequestScriptRate(who, id + 100, 3, ""); }).find("Сервер отклонил"), 0u);
    d.Id = id;
    EXPECT_NE(ErrorOf([&] { RequestScriptDelete(other, d); }).find("only the author"), std::string::npos);
    EXPECT_EQ(RequestScriptDelete(who, d), 0);
    EXPECT_TRUE(RequestScriptList(who, 0).empty());
}

// Replies a hostile server could send; each must fail with a clear error rather than pass into the program.
struct TReplyCase {
    const char* Name;
    std::string Reply;
    const char* ErrorPart; // empty: no error
};

const TReplyCase SystemReplies[] = {
    {"ErrorRow", "<result><row><error>нет</error></row></result>", "Сервер отклонил запрос: нет"},
    {"IdNotNumber", "<result><row><id>x</id></row></result>", "<id>"},
    {"NumsOutOfRange", "<result><row><id>1</id><nums>99</nums></row></result>", "<nums>"},
    {"BadBase64Title",
     "<result><row><id>1</id><nums>8</nums><olap>0</olap><csize>1</csize><title>@@</title></row></result>", "<title>"},
    {"TitleNotUtf8",
     "<result><row><id>1</id><nums>8</nums><olap>0</olap><csize>1</csize><title>wyg=</title></row></result>",
     "<title>"},
    {"BadDate",
     "<result><row><id>1</id><nums>8</nums><olap>0</olap><csize>1</csize><title></title><descr></descr>"
     "<created>2026-02-31 00:00:00</created></row></result>",
     "<created>"},
    {"UnclosedRow", "<result><row><id>1</id></result>", "Не удалось найти пару"},
    {"NoResult", "garbage", ""},
};

class OnlineHostileReplyTest : public testing::TestWithParam<TReplyCase> {};

TEST_P(OnlineHostileReplyTest, SystemListFailsClearly) {
    TTestHttpServer http;
    const std::string reply = GetParam().Reply;
    http.Server().Post("/scripts/sys_getlist.php", [reply](const httplib::Request&, httplib::Response& res) {
        res.set_content(reply, "text/plain");
    });
    http.Start();
    TOnlineIdentity who;
    who.ServerUrl = http.Url("");
    std::vector<tSystemInfo> list;
    const std::string error = ErrorOf([&] { list = RequestSystemList(who); });
    if (*GetParam().ErrorPart == 0) {
        EXPECT_EQ(error, "<no error>");
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].Id, -1); // the placeholder
    } else
        EXPECT_NE(error.find(GetParam().ErrorPart), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Cases, OnlineHostileReplyTest, testing::ValuesIn(SystemReplies),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST(OnlineWireTest, EscapingRoundTripsEveryByteAndRefusesStrays) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    all += '\0';
    std::string back;
    ASSERT_TRUE(UnescapeRequest(EscapeRequest(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(EscapeRequest("a\"b\r\n?\\"), "a\\\"b\\r\\n\\?\\\\");
    EXPECT_FALSE(UnescapeRequest("a\\", back));
    EXPECT_FALSE(UnescapeRequest("a\\x", back));
    for (const char* bad : {"A", "AB=C", "ABC=D", "AB==AB==", "AB=", "AR=="})
        EXPECT_FALSE(Base64Decode(bad, back)) << bad;
    ASSERT_TRUE(Base64Decode(Base64Encode(all), back));
    EXPECT_EQ(back, all);
}

TEST(SystemFilesTest, DownloadReplacesTheOtherFileOfItsNumbersAndRefusesBadLines) {
    TTempDir dir;
    tSystemInfo three;
    three.Id = 3;
    three.Nums = 10;
    three.Olap = 2;
    three.CSize = 1;
    WriteSystemFile(dir.Path(), three, "1 2 3 4 5 6");
    tSystemInfo five = three;
    five.Id = 5;
    five.Olap = 4;
    five.CSize = 2;
    for (const char* bad :
         {"1 2 3 4 5 6\r\n1 2 3 4 5 11", "1 2 3 4 5 6\r\n1 2 3 4 5 5", "1 2 3 4 5 6", "1 2 3 4 5 6\r\n1 2 3 4 5", ""})
        EXPECT_THROW(WriteSystemFile(dir.Path(), five, bad), EZorbError) << bad;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"6-10-2_0003.dat"});
    WriteSystemFile(dir.Path(), five, "1 2 3 4 5 6\n5,6,7,8,9,10\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"6-10-4_0005.dat"});
}

TEST(SystemFilesTest, ExpansionTakesNumbersInTheirOrder) {
    TTempDir dir;
    tSystemInfo s;
    s.Id = 7;
    s.Nums = 11;
    s.CSize = 2;
    WriteSystemFile(dir.Path(), s, "01 02 03 04 05 06\r\n06 07 08 09 10 11");
    const TByteArray numbers = {1, 2, 3, 4, 5, 7, 6, 8, 9, 10, 11};
    const TSystemLoad load = LoadSystemCombinations(dir.Path(), numbers);
    ASSERT_TRUE(load.Ok) << load.Message;
    ASSERT_EQ(load.Combs.size(), 2u);
    EXPECT_EQ(CombToList(load.Combs[0]), "1;2;3;4;5;7");
    EXPECT_EQ(CombToList(load.Combs[1]), "7;6;8;9;10;11");
    // A file naming a position beyond its numbers is refused whole.
    WriteFileAtomic(JoinPath(dir.Path(), "6-11-0_0007.dat"), "01 02 03 04 05 12\r\n");
    const TSystemLoad bad = LoadSystemCombinations(dir.Path(), numbers);
    EXPECT_FALSE(bad.Ok);
    EXPECT_TRUE(bad.Combs.empty());
    EXPECT_EQ(bad.Message.rfind("Ошибка загрузки комбинаций системы!", 0), 0u);
    EXPECT_NE(LoadSystemCombinations(dir.Path(), TByteArray{1, 2, 3, 4, 5, 6, 7}).Message.find("для 7 чисел"),
              std::string::npos);
}

TEST(SystemFilesTest, NormalisationKeepsSixPositionLines) {
    int nums = 0, csize = 0;
    EXPECT_EQ(NormaliseSystemText("1,2,3,4,5,6\n1 2 3 4 5\n\n  7~8|9/10.11:12  \r\n", nums, csize),
              "01 02 03 04 05 06\r\n07 08 09 10 11 12");
    EXPECT_EQ(nums, 12); // the largest position
    EXPECT_EQ(csize, 2);
    NormaliseSystemText("1 2 3 4 5\r\n", nums, csize);
    EXPECT_EQ(nums, 0);
    EXPECT_EQ(csize, 0);
}

// Whatever a reply holds, an error message quotes at most 200 characters of it.
TEST(ReplyRowsTest, ErrorsQuoteTheReplyShort) {
    const std::string huge(1u << 20, 'e');
    const struct {
        const char* Name;
        std::string Reply, Starts;
    } cases[] = {
        {"row error", "<result><row><error>" + huge + "</error></row></result>", "Сервер отклонил запрос: eee"},
        {"unclosed row", "<result><row>" + huge + "</result>", "Не удалось найти пару идентификаторов"},
        {"unclosed result", "<result>" + huge, "Не удалось найти пару идентификаторов"},
    };
    for (const auto& c : cases) {
        const std::string error = ErrorOf([&] { ReplyRows(c.Reply); });
        EXPECT_EQ(error.rfind(c.Starts, 0), 0u) << c.Name << ": " << error.substr(0, 100);
        EXPECT_LT(error.size(), 320u) << c.Name;
    }
}

} // namespace
} // namespace zorb::test
