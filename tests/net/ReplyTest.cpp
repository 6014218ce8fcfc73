#include "net/Reply.h"
#include "../common/TestHttpServer.h"
#include "../core/TestFiles.h"
#include "core/Errors.h"
#include "core/IniFile.h"
#include "net/Http.h"
#include "net/ProxySettings.h"
#include "net/ZipFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zorb::test {
namespace {

TEST(ReplyTest, ElementValueModesAndCase) {
    const std::string text = "<RESULT> <row><Name> \"Иван \"\"И\"\" П\" </name></row></result>";
    EXPECT_EQ(ElementValue(text, "<name>", "</NAME>", 0), "Иван \"И\" П");
    EXPECT_EQ(ElementValue(text, "<absent>", "</absent>", 0), "");
    EXPECT_EQ(ElementValue(text, "<row>", "", 0), "<Name> \"Иван \"\"И\"\" П\" </name></row></result>");

    const std::string open = "<a> value ";
    EXPECT_EQ(ElementValue(open, "<a>", "</a>", 2), "value");
    EXPECT_EQ(ElementValue(open, "<a>", "</a>", 1), "");
    try {
        ElementValue(open, "<a>", "</a>", 0);
        FAIL() << "mode 0 must raise";
    } catch (const EZorbError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Не удалось найти пару идентификаторов \"<a>\" - \"</a>\" в тексте\r\r[<a> value ]!");
    }
}

TEST(ReplyTest, QuotesAtMostTwoHundredCharactersOfAReply) {
    const std::string cyr200 = [] {
        std::string s;
        for (int i = 0; i < 200; ++i) s += "ж";
        return s;
    }();
    const struct {
        const char* Name;
        std::string Text, Quoted;
    } cases[] = {
        {"short", "abc", "abc"},
        {"exactly 200", std::string(200, 'a'), std::string(200, 'a')},
        {"201 ASCII", std::string(201, 'a'), std::string(200, 'a') + "…"},
        {"two-byte characters", cyr200 + "ж", cyr200 + "…"},
        // Bytes that are not UTF-8 still count: a run of continuation bytes cannot slip through uncounted.
        {"continuation bytes", std::string(100000, '\x80'), std::string(200, '\x80') + "…"},
        {"truncated character at the cut", std::string(199, 'a') + "\xD0", std::string(199, 'a') + "\xD0"},
    };
    for (const auto& c : cases) EXPECT_EQ(QuoteReply(c.Text), c.Quoted) << c.Name;
}

// A reply cut off before its closing marker can be megabytes long; the message names the markers and quotes the
// reply's beginning only.
TEST(ReplyTest, CutOffReplyIsQuotedShortInTheError) {
    TTestHttpServer http;
    http.Server().Post("/scripts/sys_getlist.php", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<result><row>" + std::string(30u << 20, 'x'), "text/plain");
    });
    http.Start();
    const std::string reply = PostForm(http.Url("/scripts/sys_getlist.php"), {{"a", "1"}});
    ASSERT_EQ(reply.size(), (30u << 20) + 13);
    try {
        ElementValue(reply, "<result>", "</result>", 0);
        FAIL() << "mode 0 must raise";
    } catch (const EZorbError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message,
                  "Не удалось найти пару идентификаторов \"<result>\" - \"</result>\" в тексте\r\r[<result><row>" +
                      std::string(200 - 13, 'x') + "…]!");
    }
}

TEST(ReplyTest, TakeElementWalksRows) {
    std::string text = "<result><row><n>1</n></row><ROW><n>2</n></ROW><row><n>3</n></row></result>";
    std::vector<std::string> values;
    for (std::string row; !(row = TakeElement(text, "<row>", "</row>", 0)).empty();)
        values.push_back(ElementValue(row, "<n>", "</n>", 0));
    EXPECT_EQ(values, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(text, "</result>");

    std::string unclosed = "x<a>tail";
    EXPECT_EQ(TakeElement(unclosed, "<a>", "</a>", 2), "tail");
    EXPECT_EQ(unclosed, "");
    std::string kept = "x<a>tail";
    EXPECT_EQ(TakeElement(kept, "<a>", "</a>", 1), "");
    EXPECT_EQ(kept, "x<a>tail");
}

TEST(ReplyTest, Unquote) {
    EXPECT_EQ(Unquote("  \"a\"\"b\"  "), "a\"b");
    EXPECT_EQ(Unquote("\"a\"b\""), "ab"); // a single quote inside is dropped
    EXPECT_EQ(Unquote("\""), "\"");
    EXPECT_EQ(Unquote("\"\""), "");
    EXPECT_EQ(Unquote(" plain "), "plain");
    EXPECT_EQ(Unquote("\"open"), "\"open");
}

TEST(ProxySettingsTest, ModeDerivedWhenAbsentAndRoundTrip) {
    TTempDir dir;
    const std::string ini = dir.File("Zorb_6x52.ini");
    EXPECT_EQ(LoadProxy(ini).Mode, 0);
    EXPECT_EQ(LoadProxy(ini).Port, 80);
    WriteRaw(ini, "[PROXY]\r\nProxyServer=proxy.local\r\nProxyPort=3128\r\n");
    TProxy p = LoadProxy(ini);
    EXPECT_EQ(p.Mode, 2);
    EXPECT_EQ(p.Server, "proxy.local");
    EXPECT_EQ(p.Port, 3128);
    EXPECT_TRUE(p.Usable());

    p.Mode = 1;
    p.Username = "Пользователь";
    p.Password = "p;w=d";
    SaveProxy(ini, p);
    const TProxy back = LoadProxy(ini);
    EXPECT_EQ(back.Mode, 1);
    EXPECT_EQ(back.Username, "Пользователь");
    EXPECT_EQ(back.Password, "p;w=d");
    EXPECT_FALSE(back.Usable());
    TProxy incomplete;
    incomplete.Mode = 2;
    EXPECT_FALSE(incomplete.Usable());
}

class ZipTest : public testing::Test {
protected:
    TTempDir Dir;
    std::string Zip() const { return Dir.File("zorb_mega_csv.zip"); }
    std::vector<std::string> Extract() { return ExtractMatching(Zip(), Dir.Path(), "ZorbMega_Results__", ".csv"); }
};

TEST_F(ZipTest, MatchingEntriesAreExtractedFlatReplacingOldFiles) {
    WriteRaw(Dir.File("ZorbMega_Results__1-1000.csv"), std::string(5000, 'o'));
    WriteRaw(Zip(), MakeZip({{"ZorbMega_Results__1-1000.csv", "one"},
                             {"deep/dir/zorbmega_results__1001-2000.CSV", "two"},
                             {"ZorbMega_Results__notes.txt", "no"},
                             {"readme.csv", "no"},
                             {"folder/", ""}}));
    auto written = Extract();
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{Dir.File("ZorbMega_Results__1-1000.csv"),
                                                 Dir.File("zorbmega_results__1001-2000.CSV")}));
    EXPECT_EQ(ReadRaw(Dir.File("ZorbMega_Results__1-1000.csv")), "one");
    EXPECT_EQ(ReadRaw(Dir.File("zorbmega_results__1001-2000.CSV")), "two");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("readme.csv")));
    EXPECT_FALSE(std::filesystem::exists(Dir.File("deep")));
}

TEST_F(ZipTest, EscapingOrDamagedArchivesAreRefusedAndWriteNothing) {
    for (const std::string evil : {"../ZorbMega_Results__1-2.csv", "/tmp/ZorbMega_Results__1-2.csv",
                                   "a/../../ZorbMega_Results__1-2.csv", "C:\\ZorbMega_Results__1-2.csv"}) {
        SCOPED_TRACE(evil);
        WriteRaw(Zip(), MakeZip({{"ZorbMega_Results__5-6.csv", "fine"}, {evil, "evil"}}));
        EXPECT_THROW(Extract(), EZorbError);
        EXPECT_EQ(Dir.Names(), std::vector<std::string>{"zorb_mega_csv.zip"});
    }
    const std::string good = MakeZip({{"ZorbMega_Results__1-2.csv", std::string(4000, 'a')}});
    for (const std::string& bad : {std::string("not a zip at all"), good.substr(0, good.size() / 2), std::string()}) {
        WriteRaw(Zip(), bad);
        EXPECT_THROW(Extract(), EZorbError);
        EXPECT_EQ(Dir.Names(), std::vector<std::string>{"zorb_mega_csv.zip"});
    }
    EXPECT_THROW(ExtractMatching(Dir.File("absent.zip"), Dir.Path(), "Z", ".csv"), EZorbError);
}

TEST_F(ZipTest, EntriesThatExpandTooFarAreRefusedAndWriteNothing) {
    TZipLimits small;
    small.MaxEntryBytes = 10000;
    std::string text;
    for (int i = 0; text.size() < 20000; ++i) text += std::to_string(i * 7919 % 10007) + ";";
    const struct {
        const char* Name;
        TZipLimits Limits;
        std::string Big;
    } cases[] = {{"larger than the limit", small, text}, {"absurd ratio", {}, std::string(3 << 20, '0')}};
    for (const auto& c : cases) {
        WriteRaw(Zip(), MakeZip({{"ZorbMega_Results__1-2.csv", "fine"}, {"ZorbMega_Results__3-4.csv", c.Big}}));
        EXPECT_THROW(ExtractMatching(Zip(), Dir.Path(), "ZorbMega_Results__", ".csv", c.Limits), EZorbError) << c.Name;
        EXPECT_EQ(Dir.Names(), std::vector<std::string>{"zorb_mega_csv.zip"}) << c.Name;
    }
    WriteRaw(Zip(), MakeZip({{"ZorbMega_Results__1-2.csv", "fine"}, {"ZorbMega_Results__3-4.csv", text}}));
    TZipLimits roomy;
    roomy.MaxEntryBytes = 40000;
    EXPECT_EQ(ExtractMatching(Zip(), Dir.Path(), "ZorbMega_Results__", ".csv", roomy).size(), 2u)
        << "an archive within the limits is extracted";
}

} // namespace
} // namespace zorb::test
