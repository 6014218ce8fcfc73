#include "CliFixture.h"

namespace zorb::test {
namespace {

TEST_F(CliTest, ListsTheArchiveAsCsvNewestFirst) {
    WriteRaw(Archive(), RawDraw(10, {52, 1, 7, 3, 20, 9}, "2021-03-24") +
                            RawDraw(11, {5, 4, 3, 2, 1, 6}, "2021-03-27") + RawDraw(12, {40, 30, 20, 10, 1, 2}, ""));
    TRun r = Run({"draws", "list", "--csv"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 4u) << r.Out;
    EXPECT_EQ(lines[0], "Тираж;1;2;3;4;5;6;S;Дата тиража");
    EXPECT_EQ(lines[1], "12;40;30;20;10;1;2;103;");
    EXPECT_EQ(lines[2], "11;5;4;3;2;1;6;21;2021-03-27");
    EXPECT_EQ(lines[3], "10;52;1;7;3;20;9;92;2021-03-24");
}

class CliListSizes : public CliTest, public testing::WithParamInterface<int> {};
TEST_P(CliListSizes, OneRowPerRecord) {
    const int n = GetParam();
    WriteRaw(Archive(), RawDrawRange(1, n));
    TRun csv = Run({"draws", "list", "--csv"});
    EXPECT_EQ(csv.Code, 0) << csv.Err;
    auto lines = Lines(csv.Out);
    ASSERT_EQ(lines.size(), size_t(n) + 1);
    if (n > 0) {
        EXPECT_EQ(lines[1].substr(0, lines[1].find(';')), std::to_string(n));
    }
    TRun table = Run({"draws", "list"});
    EXPECT_EQ(table.Code, 0) << table.Err;
    EXPECT_EQ(Lines(table.Out).size(), size_t(n) + 1);
}
INSTANTIATE_TEST_SUITE_P(Table, CliListSizes, testing::Values(0, 1, 7, 300));

TEST_F(CliTest, DamagedArchiveListsWhatWasReadAndFails) {
    WriteRaw(Archive(), RawDrawRange(1, 3).substr(0, 50));
    TRun r = Run({"draws", "list", "--csv"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(Lines(r.Out).size(), 3u) << r.Out;
    EXPECT_NE(r.Err.find("Ошибка чтения файла тиражей!"), std::string::npos) << r.Err;
    EXPECT_EQ(r.Err.find('\r'), std::string::npos) << "message line breaks are the terminal's";
}

TEST_F(CliTest, AddStoresTheDrawInTypedOrder) {
    TRun r = Run({"draws", "add", "--number", "7", "--date", "2021-03-27", "52,1;7,3,20,9"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Тираж № 7 от 2021-03-27, значения: 52;1;7;3;20;9"), std::string::npos) << r.Out;
    auto file = DecodeRaw(ReadRaw(Archive()));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].Number, 7);
    EXPECT_EQ(file[0].Numbers, (std::vector<int>{52, 1, 7, 3, 20, 9}));
    EXPECT_EQ(file[0].Date, "2021-03-27");

    TRun next = Run({"draws", "add", "--date", "2021-03-31", "1;2;3;4;5;6"});
    EXPECT_EQ(next.Code, 0) << next.Err;
    file = DecodeRaw(ReadRaw(Archive()));
    ASSERT_EQ(file.size(), 2u);
    EXPECT_EQ(file[1].Number, 8) << "the number defaults to the next one";
}

struct TBadAdd {
    std::vector<std::string> Args;
    const char* Message;
};
void PrintTo(const TBadAdd& c, std::ostream* os) {
    *os << testing::PrintToString(c.Args);
}
class CliBadAdd : public CliTest, public testing::WithParamInterface<TBadAdd> {};
TEST_P(CliBadAdd, FailsAndLeavesTheFile) {
    const std::string before = RawDrawRange(1, 4);
    WriteRaw(Archive(), before);
    std::vector<std::string> args = {"draws", "add"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    TRun r = Run(args);
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find(GetParam().Message), std::string::npos) << r.Err;
    EXPECT_EQ(ReadRaw(Archive()), before);
}
INSTANTIATE_TEST_SUITE_P(Table, CliBadAdd,
                         testing::Values(TBadAdd{{"1;2;3;4;5;5"}, "Введена некорректная комбинация!"},
                                         TBadAdd{{"1;2;3;4;5"}, "Введена некорректная комбинация!"},
                                         TBadAdd{{"--number", "abc", "1;2;3;4;5;6"}, "Некорректный номер тиража"},
                                         TBadAdd{{"--number", "0", "1;2;3;4;5;6"}, "Некорректный номер тиража"},
                                         TBadAdd{{"--number", "99999999999", "1;2;3;4;5;6"},
                                                 "Некорректный номер тиража"},
                                         TBadAdd{{"--date", "2021-02-30", "1;2;3;4;5;6"}, ""},
                                         TBadAdd{{"--date", "garbage", "1;2;3;4;5;6"}, ""}, TBadAdd{{}, ""}));

TEST_F(CliTest, DeleteByNumber) {
    WriteRaw(Archive(), RawDrawRange(1, 5));
    TRun r = Run({"draws", "delete", "2", "4"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    std::vector<int> left;
    for (const auto& d : DecodeRaw(ReadRaw(Archive()))) left.push_back(d.Number);
    EXPECT_EQ(left, (std::vector<int>{1, 3, 5}));
}

class CliBadDelete : public CliTest, public testing::WithParamInterface<std::vector<std::string>> {};
TEST_P(CliBadDelete, UnknownNumberDeletesNothing) {
    const std::string before = RawDrawRange(1, 5);
    WriteRaw(Archive(), before);
    std::vector<std::string> args = {"draws", "delete"};
    args.insert(args.end(), GetParam().begin(), GetParam().end());
    TRun r = Run(args);
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err, "");
    EXPECT_EQ(ReadRaw(Archive()), before);
}
INSTANTIATE_TEST_SUITE_P(Table, CliBadDelete,
                         testing::Values(std::vector<std::string>{"99"}, std::vector<std::string>{"2", "99"},
                                         std::vector<std::string>{"x"}, std::vector<std::string>{"0"},
                                         std::vector<std::string>{"99999999999"}, std::vector<std::string>{}));

TEST_F(CliTest, InfoDescribesTheArchiveAndDirectory) {
    WriteRaw(Archive(), RawDrawRange(1, 12));
    TRun r = Run({"info"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Архив тиражей: 12\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Следующий тираж: 13\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(Dir.Path()), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Zorb_6x52.ldr (288 байт)"), std::string::npos) << r.Out;
}

TEST_F(CliTest, MissingDataDirectoryIsCreated) {
    const std::string sub = Dir.File("a/b/c");
    TRun r = RunIn({"--dir", sub, "info"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(std::filesystem::is_directory(sub));
    EXPECT_NE(r.Out.find("Архив тиражей: 0"), std::string::npos) << r.Out;
}

TEST_F(CliTest, DataDirectoryUnderAFileFails) {
    WriteRaw(Dir.File("plain"), "x");
    TRun r = RunIn({"--dir", Dir.File("plain/sub"), "info"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err, "");
    EXPECT_EQ(ReadRaw(Dir.File("plain")), "x");
}

class CliBadUsage : public CliTest, public testing::WithParamInterface<std::vector<std::string>> {};
TEST_P(CliBadUsage, ExitsWithOne) {
    TRun r = Run(GetParam());
    EXPECT_EQ(r.Code, 1) << r.Out << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Archive()));
}
INSTANTIATE_TEST_SUITE_P(Table, CliBadUsage,
                         testing::Values(std::vector<std::string>{"frobnicate"}, std::vector<std::string>{},
                                         std::vector<std::string>{"draws"}, std::vector<std::string>{"draws", "purge"},
                                         std::vector<std::string>{"draws", "list", "--bogus"},
                                         std::vector<std::string>{"info", "extra"}));

} // namespace
} // namespace zorb::test
