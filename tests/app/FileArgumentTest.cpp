// A file named on the command line, as a desktop passes a double-clicked scenario, list or archive.
#include "AppFixture.h"
#include "app/Switches.h"

namespace zorb::test {
namespace {

struct TKindCase {
    std::vector<std::string> Args;
    TFileKind Kind;
    std::string Path;
};
void PrintTo(const TKindCase& c, std::ostream* os) {
    for (const auto& a : c.Args) *os << a << ' ';
}

class FileArgumentKind : public testing::TestWithParam<TKindCase> {};
TEST_P(FileArgumentKind, Table) {
    const TFileArgument file = FindFileArgument(GetParam().Args);
    EXPECT_EQ(file.Kind, GetParam().Kind);
    EXPECT_EQ(file.Path, GetParam().Path);
}
INSTANTIATE_TEST_SUITE_P(
    Table, FileArgumentKind,
    testing::Values(TKindCase{{"/home/u/Мой сценарий.lsc"}, TFileKind::Scenario, "/home/u/Мой сценарий.lsc"},
                    TKindCase{{"restart", "LIST.LCV"}, TFileKind::Combinations, "LIST.LCV"},
                    TKindCase{{"a/Zorb_6x52.ldr", "b.lsc"}, TFileKind::Archive, "a/Zorb_6x52.ldr"},
                    TKindCase{{"notes.txt", "lsc", ".lsc.bak", "loadonly"}, TFileKind::None, ""},
                    TKindCase{{}, TFileKind::None, ""}));

class FileArgumentTest : public AppTest {
protected:
    // A small list at start-up, so that an opened list is told from the generated one.
    void StartWith(const std::string& file) {
        WriteRaw(Ini(), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n");
        Start({file});
    }
};

TEST_F(FileArgumentTest, ScenarioOpensAndBecomesTheSavedOne) {
    const std::string file = Exe.File("double-clicked.lsc");
    WriteRaw(file, "EXCL:5#EXT| | | | | | | |\r\n\r\nB| | | | | | | |\r\n");
    StartWith(file);
    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors().front().Text;
    EXPECT_EQ(App->Scenarios().Lines(), (TScriptLines{"EXCL:5#EXT| | | | | | | |", "", "B| | | | | | | |"}));
    EXPECT_EQ(ReadRaw(Data.File("Zorb_6x52.lss")), ReadRaw(file));
}

TEST_F(FileArgumentTest, ListReplacesTheGeneratedOne) {
    const std::string file = Exe.File("picked.lcv");
    WriteRaw(file, "1;2;3;4;5;6\r\n7;8;9;10;11;12\r\n");
    StartWith(file);
    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors().front().Text;
    EXPECT_EQ(App->Combinations().Combs().Count(), 2u); // seven numbers would have given 7
}

TEST_F(FileArgumentTest, ForeignArchiveIsNotReadAndSaysWhy) {
    const std::string foreign = Exe.File("Zorb_6x52.synthetic.ldr");
    WriteRaw(foreign, RawDrawRange(1, 5));
    StartWith(foreign);
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.back().Box, TMsgBox::Warning);
    EXPECT_NE(Ui.Messages.back().Text.find(foreign), std::string::npos) << Ui.Messages.back().Text;
    EXPECT_TRUE(App->Archive().Draws().empty());
    EXPECT_EQ(ReadRaw(foreign), RawDrawRange(1, 5));
}

TEST_F(FileArgumentTest, OwnArchiveOpensSilently) {
    WriteRaw(Archive(), RawDrawRange(1, 3));
    StartWith(Archive());
    EXPECT_TRUE(Ui.Messages.empty()) << Ui.Messages.front().Text;
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3}));
}

TEST_F(FileArgumentTest, BatchRunsOpenNothing) {
    const std::string file = Exe.File("list.lcv");
    WriteRaw(file, "1;2;3;4;5;6\r\n");
    WriteRaw(Ini(), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n");
    Start({"fullrefresh", file});
    EXPECT_EQ(App->Combinations().Combs().Count(), 7u);
}

TEST(ArchiveArgumentDir, OnlyAnExistingArchiveOfTheProgramsNameChoosesTheDirectory) {
    TTempDir dir;
    const std::string own = dir.File("Zorb_6x52.ldr");
    const std::string other = dir.File("copy.ldr");
    WriteRaw(own, RawDrawRange(1, 1));
    WriteRaw(other, RawDrawRange(1, 1));
    EXPECT_EQ(ArchiveArgumentDir({"restart", own}, "Zorb_6x52.ldr"), AbsolutePath(dir.Path()));
    EXPECT_EQ(ArchiveArgumentDir({other}, "Zorb_6x52.ldr"), "");
    EXPECT_EQ(ArchiveArgumentDir({dir.File("missing/Zorb_6x52.ldr")}, "Zorb_6x52.ldr"), "") << "no directory made";
    EXPECT_EQ(ArchiveArgumentDir({dir.File("list.lcv")}, "Zorb_6x52.ldr"), "");
}

} // namespace
} // namespace zorb::test
