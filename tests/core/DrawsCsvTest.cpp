#include "core/DrawsCsv.h"
#include "TestFiles.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zorb::test {
namespace {

using TFields = std::vector<std::string>;

TDrawRec Draw(int number, std::vector<int> nums, const std::string& date = "2021-03-27") {
    TDrawRec d{};
    d.Draw = number;
    for (size_t i = 0; i < 6; ++i) d.Numbers[i] = static_cast<uint8_t>(nums[i]);
    d.SetDate(date);
    return d;
}

std::vector<int> Numbers(const TDrawsArray& draws) {
    std::vector<int> r;
    for (const auto& d : draws) r.push_back(d.Draw);
    return r;
}

TEST(CsvSplitTest, QuotesSpacesAndTheTrailingEmptyField) {
    EXPECT_EQ(SplitCsvFields("1;2;3"), (TFields{"1", "2", "3"}));
    EXPECT_EQ(SplitCsvFields("1;;3"), (TFields{"1", "", "3"}));
    EXPECT_EQ(SplitCsvFields("1;2;"), (TFields{"1", "2", ""}));
    EXPECT_EQ(SplitCsvFields(""), TFields{});
    EXPECT_EQ(SplitCsvFields(";"), (TFields{"", ""}));
    EXPECT_EQ(SplitCsvFields("\"a;b\";\"say \"\"hi\"\"\";c"), (TFields{"a;b", "say \"hi\"", "c"}));
    EXPECT_EQ(SplitCsvFields("  1 ; 2\t;3  "), (TFields{"1", "2", "3"}));
    // A space ends an unquoted field and starts the next one.
    EXPECT_EQ(SplitCsvFields("2154;2021-03-27 20:00;1"), (TFields{"2154", "2021-03-27", "20:00", "1"}));
    EXPECT_EQ(SplitCsvFields("\"unclosed;x"), TFields{"unclosed;x"});
    // Control bytes and a NUL cannot stall or overrun the walk; a NUL ends a field like a space.
    EXPECT_EQ(SplitCsvFields(std::string_view("1\0;2", 4)), (TFields{"1", "", "", "2"}));
    EXPECT_EQ(SplitCsvFields("\x01\x02"), TFields{});
}

TEST(CsvImportTest, SevenAndEightFieldLinesOthersIgnored) {
    TDrawsArray draws = {Draw(1, {1, 2, 3, 4, 5, 6})};
    const std::string text = "\xEF\xBB\xBF"
                             "2021-01-02;7;8;9;10;11;12\r\n"           // 7 fields: numbered 2
                             "   \r\n"                                 // blank
                             "5;\"2021-01-05 20:00\";1;2;3;4;5;52\r\n" // quoted date with time: 8 fields
                             "6;2021-01-06 20:00;1;2;3;4;5;6\r\n"      // unquoted time: 9 fields, ignored
                             "2021-01-03;1;2;3;4;5;6\n"                // 7 fields: numbered 4 (after 2 and 5)
                             "7;2021-01-07;1;2;3;4;5\r\n"              // 7 fields with a number first: a date
                             "0;2021-01-08;1;2;3;4;5;6\r\n"            // number not positive
                             "x;2021-01-08;1;2;3;4;5;6\r\n"            // not a number
                             "9;2021-01-09;1;2;3;4;5;53\r\n"           // number out of range
                             "10;2021-01-10;1;2;3;4;5;5\r\n"           // repeated number
                             "11;2021-01-11;1;2;3;4;5;x\r\n"           // 0 in place of a number
                             "1;2021-01-01;9;9;9;9;9;9\r\n";           // duplicate draw number
    const TCsvReadStats s = ImportDrawsText(text, draws);
    EXPECT_EQ(Numbers(draws), (std::vector<int>{1, 2, 5, 4}));
    EXPECT_EQ(draws[2].Date(), "2021-01-05");
    EXPECT_EQ(draws[2].Numbers[5], 52);
    EXPECT_EQ(draws[3].Date(), "2021-01-03");
    // "7;2021-01-07;..." is a 7-field line numbered 5, already taken by the quoted line: a duplicate.
    EXPECT_EQ(s.Added, 3);
    EXPECT_EQ(s.BadNumbers, 3);
    EXPECT_EQ(s.Duplicates, 1 + 1);
}

// Numbers that would wrap to a number of the game when narrowed to a byte are refused as written.
TEST(CsvImportTest, NumbersAreCheckedBeforeTheyAreNarrowed) {
    const struct {
        const char* Number;
        bool Accepted;
    } cases[] = {{"257", false}, {"308", false}, {"-255", false}, {"-204", false}, {"4294967297", false},
                 {"0", false},   {"53", false},  {"1", true},     {"52", true},    {"+7", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Number);
        TDrawsArray imported;
        const TCsvReadStats s =
            ImportDrawsText(std::string("5;2021-01-05;") + c.Number + ";10;11;12;13;14\r\n", imported);
        EXPECT_EQ(s.Added, c.Accepted ? 1 : 0);
        EXPECT_EQ(s.BadNumbers, c.Accepted ? 0 : 1);
        int bad = 0;
        const std::string range = std::string("header\r\n5;2021-01-05;;;") + c.Number + ";10;11;12;13;14\r\n";
        EXPECT_EQ(ReadRangeFile(range, 1, bad).size(), c.Accepted ? 1u : 0u);
        EXPECT_EQ(bad, c.Accepted ? 0 : 1);
    }
}

TEST(CsvImportTest, ExportThenImportReproducesTheArchive) {
    TDrawsArray draws;
    for (int i = 1; i <= 300; ++i)
        draws.push_back(Draw(i,
                             {(i % 52) + 1, ((i + 7) % 52) + 1, ((i + 14) % 52) + 1, ((i + 21) % 52) + 1,
                              ((i + 28) % 52) + 1, ((i + 35) % 52) + 1},
                             i % 3 ? "2021-03-27" : "20\"1-0"));
    draws.push_back(Draw(1000, {52, 1, 2, 3, 4, 5}, ""));
    const std::string text = ExportDrawsText(draws);
    EXPECT_EQ(text.substr(0, 32), "1;\"2021-03-27\";2;9;16;23;30;37\r\n");
    EXPECT_NE(text.find("3;\"20\"\"1-0\";"), std::string::npos);

    TDrawsArray back;
    const TCsvReadStats s = ImportDrawsText(text, back);
    EXPECT_EQ(s.Added, 301);
    ASSERT_EQ(back.size(), draws.size());
    for (size_t i = 0; i < draws.size(); ++i) {
        EXPECT_EQ(back[i].Draw, draws[i].Draw);
        EXPECT_EQ(back[i].Date(), draws[i].Date());
        EXPECT_EQ(std::memcmp(back[i].Numbers, draws[i].Numbers, 6), 0);
    }
    EXPECT_EQ(ExportDrawsText(back), text);
    // Importing the same file again adds nothing.
    const TCsvReadStats again = ImportDrawsText(text, back);
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.Duplicates, 301);
    EXPECT_EQ(back.size(), draws.size());
}

TEST(RangeFileTest, FileNamesAndTheNextDrawRule) {
    int first = -1, last = -1;
    EXPECT_TRUE(RangeOfFileName("ZorbMega_Results__2001-3000.csv", "ZorbMega_Results__", first, last));
    EXPECT_EQ(first, 2001);
    EXPECT_EQ(last, 3000);
    EXPECT_TRUE(RangeOfFileName("ZorbMega_Results__x-.csv", "ZorbMega_Results__", first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(RangeOfFileName("ZorbMega_Results__7.csv", "ZorbMega_Results__", first, last));
    EXPECT_EQ(first, 7);
    EXPECT_EQ(last, 0);
    EXPECT_FALSE(RangeOfFileName("Other_1-2.csv", "ZorbMega_Results__", first, last));

    const std::string file = "Номер;Дата;Время;Джекпот;Ч1;Ч2;Ч3;Ч4;Ч5;Ч6\r\n"
                             "2160;2021-04-10;20:00;100;1;2;3;4;5;6;x;y\r\n" // 12 fields: read
                             "2159;2021-04-09;20:00;100;1;2;3;4;5\r\n"       // 9 fields: skipped
                             "2158;2021-04-08;20:00;100;1;2;3;4;5;60\r\n"    // bad numbers: counted
                             "2157;\"2021-04-07 20:00\";;;52;51;50;49;48;47\r\n"
                             "2156;2021-04-06;;;7;8;9;10;11;12\r\n"
                             "2155;2021-04-05;;;7;8;9;10;11;13\r\n"
                             "2154;2021-04-04;;;7;8;9;10;11;14\r\n"
                             "2160;2021-04-10;;;1;2;3;4;5;6\r\n"; // after the stop: never read
    int bad = 0;
    const auto fresh = ReadRangeFile(file, 2155, bad);
    ASSERT_EQ(fresh.size(), 4u);
    EXPECT_EQ(fresh[0].Draw, 2160);
    EXPECT_EQ(fresh[0].Numbers[5], 6);
    EXPECT_EQ(fresh[1].Draw, 2157);
    EXPECT_EQ(fresh[1].Date(), "2021-04-07");
    EXPECT_EQ(fresh[1].Numbers[0], 52);
    EXPECT_EQ(fresh[3].Draw, 2155);
    EXPECT_EQ(bad, 1);

    bad = 0;
    EXPECT_TRUE(ReadRangeFile(file, 2161, bad).empty());
    EXPECT_TRUE(ReadRangeFile("", 1, bad).empty());
    EXPECT_TRUE(ReadRangeFile("header only", 1, bad).empty());

    // Read from a file as a stream: the same draws, LF endings or none at the end alike, and a line too long
    // to hold is skipped rather than read.
    TTempDir dir;
    std::string lf;
    for (char ch : file)
        if (ch != '\r') lf += ch;
    const std::string longLine = "2161;" + std::string(200000, '7') + ";;;1;2;3;4;5;6\n";
    const struct {
        const char* Name;
        std::string Text;
    } forms[] = {{"CR LF", file},
                 {"LF", lf},
                 {"long line", lf.substr(0, lf.find('\n') + 1) + longLine + lf.substr(lf.find('\n') + 1)}};
    for (const auto& f : forms) {
        WriteRaw(dir.File("r.csv"), f.Text);
        int streamBad = 0;
        const auto streamed = ReadRangeFileAt(dir.File("r.csv"), 2155, streamBad);
        ASSERT_EQ(streamed.size(), fresh.size()) << f.Name;
        for (size_t i = 0; i < fresh.size(); ++i)
            EXPECT_EQ(std::memcmp(&streamed[i], &fresh[i], sizeof(TDrawRec)), 0) << f.Name << " " << i;
        EXPECT_EQ(streamBad, 1) << f.Name;
    }
    EXPECT_THROW(ReadRangeFileAt(dir.File("absent.csv"), 1, bad), EZorbError);
}

} // namespace
} // namespace zorb::test
