#include "combos/CombFiles.h"
#include "core/Errors.h"

#include "CombsTestUtil.h"

#include <filesystem>
#include <unistd.h>

namespace zorb::test {
namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("zorb_combfiles_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

TEST(CombFiles, OddCombinations) {
    const struct {
        TComb C;
        bool Odd;
    } cases[] = {
        {Comb(1, 2, 3, 4, 5, 6), false},  {Comb(52, 1, 30, 2, 9, 40), false}, {Comb(0, 1, 2, 3, 4, 5), true},
        {Comb(1, 2, 3, 4, 5, 53), true},  {Comb(255, 1, 2, 3, 4, 5), true},   {Comb(1, 2, 3, 4, 5, 1), true},
        {Comb(7, 7, 8, 9, 10, 11), true}, {Comb(52, 52, 1, 2, 3, 4), true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsOddComb(c.C), c.Odd) << CombText(c.C);
}

// One line of a *.lcv file and what it becomes: nothing (skipped) or one combination stored as written.
struct TLineCase {
    const char* Line;
    bool Stored;
    TComb Comb;
};

const TLineCase LineCases[] = {
    {"1;7;19;23;40;52", true, Comb(1, 7, 19, 23, 40, 52)},
    {"5,3,1,2,4,6", true, Comb(5, 3, 1, 2, 4, 6)},
    {"1;;2,,3;,4;5;6", true, Comb(1, 2, 3, 4, 5, 6)},
    {";1;2;3;4;5;6;", true, Comb(1, 2, 3, 4, 5, 6)},
    {" 1 ; 2 ;\t3;4;5; 06 ", true, Comb(1, 2, 3, 4, 5, 6)},
    {"255;0;7;7;3;1", true, Comb(255, 0, 7, 7, 3, 1)},
    {"256;-1;x;3.5;;4;1e2", true, Comb(0, 0, 0, 0, 4, 0)},
    {"a;b;c;d;e;f", true, Comb(0, 0, 0, 0, 0, 0)},
    {"1 2 3 4 5 6", false, {}},
    {"1;2;3;4;5", false, {}},
    {"1;2;3;4;5;6;7", false, {}},
    {"Список комбинаций", false, {}},
    {";;;", false, {}},
};

TEST(CombFiles, LinesAreReadAsSixWordsOrSkipped) {
    for (const TLineCase& c : LineCases)
        for (const char* end : {"", "\n", "\r\n"}) {
            SCOPED_TRACE(std::string("line \"") + c.Line + "\"");
            TCombsArray list;
            TCombsReadStats s;
            ReadCombsText(std::string(c.Line) + end, list, &s);
            ASSERT_EQ(list.Count(), c.Stored ? 1u : 0u);
            EXPECT_EQ(s.Read, list.Count());
            EXPECT_EQ(s.Skipped, c.Stored ? 0u : 1u);
            EXPECT_EQ(s.Odd, c.Stored && IsOddComb(c.Comb) ? 1u : 0u);
            if (c.Stored) {
                EXPECT_EQ(list[0], c.Comb) << CombText(list[0]);
            }
        }
}

TEST(CombFiles, WholeFileWithHeaderBlankLinesMixedBreaksAndMark) {
    const std::string text = "\xEF\xBB\xBF"
                             "1;2;3;4;5;6\r\n"
                             "Комбинации\r\n"
                             "\r\n"
                             "\n"
                             "7,8,9,10,11,12\n"
                             "1;2;3;4;5\r\n"
                             "0;1;2;3;4;5\r\n"
                             "52;51;50;49;48;47";
    TCombsArray list;
    list.Append(Comb(40, 41, 42, 43, 44, 45)); // reading appends
    TCombsReadStats s;
    ReadCombsText(text, list, &s);
    EXPECT_EQ(VectorOf(list),
              (std::vector<TComb>{Comb(40, 41, 42, 43, 44, 45), Comb(1, 2, 3, 4, 5, 6), Comb(7, 8, 9, 10, 11, 12),
                                  Comb(0, 1, 2, 3, 4, 5), Comb(52, 51, 50, 49, 48, 47)}));
    EXPECT_EQ(s.Read, 4u);
    EXPECT_EQ(s.Skipped, 2u);
    EXPECT_EQ(s.Odd, 1u);
}

TEST(CombFiles, WrittenFormIsSemicolonsAndCrLf) {
    const std::vector<TComb> combs = {Comb(1, 7, 19, 23, 40, 52), Comb(255, 0, 7, 7, 3, 1),
                                      Comb(100, 10, 9, 0, 99, 200)};
    EXPECT_EQ(CombsFileText(combs.data(), combs.size()), "1;7;19;23;40;52\r\n255;0;7;7;3;1\r\n100;10;9;0;99;200\r\n");
    EXPECT_EQ(CombsFileText(combs.data(), 0), "");
}

TEST(CombFiles, SaveThenLoadKeepsEveryCombinationInOrder) {
    std::vector<TComb> combs = {Comb(255, 0, 7, 7, 3, 1), Comb(5, 3, 1, 2, 4, 6), Comb(0, 0, 0, 0, 0, 0),
                                Comb(255, 255, 255, 255, 255, 255)};
    const TCombsArray random = RandomMixedList(100003, 11);
    combs.insert(combs.end(), random.Data(), random.Data() + random.Count());
    size_t odd = 0;
    for (const TComb& c : combs) odd += IsOddComb(c) ? 1 : 0;

    const std::string path = TempPath("roundtrip.lcv");
    SaveCombsFile(path, ListOf(combs));
    TCombsArray loaded;
    TCombsReadStats s;
    LoadCombsFile(path, loaded, &s);
    std::filesystem::remove(path);
    EXPECT_TRUE(SameCombs(loaded, ListOf(combs)));
    EXPECT_EQ(s.Read, combs.size());
    EXPECT_EQ(s.Skipped, 0u);
    EXPECT_EQ(s.Odd, odd);

    TCombsArray none;
    EXPECT_THROW(LoadCombsFile(path, none), EZorbError);
}

TEST(CombFiles, ClipboardTextIsPaddedRowsInTheGivenOrder) {
    const std::vector<TComb> combs = {Comb(1, 7, 19, 23, 40, 52), Comb(2, 3, 4, 5, 6, 10),
                                      Comb(255, 0, 100, 9, 10, 99)};
    EXPECT_EQ(CombsClipboardText(combs.data(), {0}), "01 07 19 23 40 52");
    EXPECT_EQ(CombsClipboardText(combs.data(), {1, 0, 2}),
              "02 03 04 05 06 10\r\n01 07 19 23 40 52\r\n255 00 100 09 10 99");
    EXPECT_EQ(CombsClipboardText(combs.data(), {}), "");
}

TEST(CombFiles, ClipboardLinesSplitAtAnyOfItsSeparators) {
    const struct {
        const char* Text;
        bool Ok;
        std::vector<TComb> Combs;
        const char* BadLine;
        size_t Odd;
    } cases[] = {
        {"01 07 19 23 40 52", true, {Comb(1, 7, 19, 23, 40, 52)}, "", 0},
        {"1\t2,3-4.5:6\r\n7;8|9  10 ,11 | 12\r\n", true, {Comb(1, 2, 3, 4, 5, 6), Comb(7, 8, 9, 10, 11, 12)}, "", 0},
        {"\r\n  \n1 2 3 4 5 6\n\n\t\n6 5 4 3 2 1", true, {Comb(1, 2, 3, 4, 5, 6), Comb(6, 5, 4, 3, 2, 1)}, "", 0},
        {"0 1 2 3 4 5\n7 7 8 9 10 11\n1 2 3 4 5 99",
         true,
         {Comb(0, 1, 2, 3, 4, 5), Comb(7, 7, 8, 9, 10, 11), Comb(1, 2, 3, 4, 5, 99)},
         "",
         3},
        {"", true, {}, "", 0},
        {"1 2 3 4 5 6\r\n1 2 3 4 5\r\n1 2 3 4 5 6 7", false, {}, "1 2 3 4 5", 0},
        {"1 2 3 4 5 6 7\n1 2 3 4 5", false, {}, "1 2 3 4 5 6 7", 0},
        {"Комбинации:\n1 2 3 4 5 6", false, {}, "Комбинации:", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.Text + "\"");
        TCombsArray list;
        list.Append(Comb(9, 10, 11, 12, 13, 14)); // the clipboard replaces the list
        std::string bad;
        size_t odd = 77;
        ASSERT_EQ(ParseClipboardCombs(c.Text, list, bad, &odd), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(VectorOf(list), c.Combs);
            EXPECT_EQ(odd, c.Odd);
        } else {
            EXPECT_EQ(bad, c.BadLine);
        }
    }
}

TEST(CombFiles, ClipboardTextParsesBackToTheSameRows) {
    const TCombsArray list = RandomMixedList(5000, 21);
    std::vector<size_t> rows(list.Count());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = rows.size() - 1 - i;
    TCombsArray back;
    std::string bad;
    ASSERT_TRUE(ParseClipboardCombs(CombsClipboardText(list.Data(), rows), back, bad));
    ASSERT_EQ(back.Count(), list.Count());
    for (size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(back[i], list[rows[i]]) << i;
}

// Random bytes biased to digits, separators and line breaks; NULs, lone CRs and very long lines included.
std::string RandomText(std::mt19937& rng) {
    static const char alphabet[] = "0123456789;;,,  \t\r\n\n-.:|+x\xEF\xBB\xBF\xFF";
    const size_t len = rng() % 50 == 0 ? 200000 + rng() % 1000 : rng() % 400;
    std::string s(len, '\0');
    const bool garbage = rng() % 4 == 0;
    for (char& ch : s) {
        const unsigned r = rng();
        ch = garbage ? static_cast<char>(r & 0xFF) : r % 37 == 0 ? '\0' : alphabet[(r >> 8) % (sizeof alphabet - 1)];
    }
    return s;
}

TEST(CombFiles, ArbitraryBytesNeverBreakTheReaders) {
    std::mt19937 rng(2024);
    for (int iter = 0; iter < 3000; ++iter) {
        const std::string text = iter == 0 ? "\r1;2;3;4;5;6\r7;8;9;10;11;12\r" : RandomText(rng);
        TCombsArray list;
        TCombsReadStats s;
        ReadCombsText(text, list, &s);
        ASSERT_EQ(s.Read, list.Count()) << iter;
        ASSERT_LE(s.Odd, s.Read) << iter;
        // Whatever was stored must survive its own written form.
        TCombsArray again;
        ReadCombsText(CombsFileText(list.Data(), list.Count()), again);
        ASSERT_TRUE(SameCombs(again, list)) << iter;

        TCombsArray clip;
        std::string bad;
        size_t odd = 0;
        if (ParseClipboardCombs(text, clip, bad, &odd)) {
            ASSERT_LE(odd, clip.Count()) << iter;
        } else {
            ASSERT_EQ(bad.find('\n'), std::string::npos) << iter;
        }
    }
}

} // namespace
} // namespace zorb::test
