// zorb-cli export and update crc: each list's rows counted as written, the rows option, the parameter files and
// the remembered section.
#include "CliFixture.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"

namespace zorb::test {
namespace {

TEST_F(CliTest, ExportVerbsWriteTheirRowsAndCountThem) {
    WriteRaw(Archive(), RawDrawRange(1, 40));
    const struct {
        std::vector<std::string> Verb;
        int Rows; // -1: the CSV's own data lines
    } cases[] = {
        {{"draws"}, 40},  {{"draws", "--rows", "2-3"}, 2}, {{"stat", "NUMS", "--len", "30"}, 52}, {{"card"}, -1},
        {{"layout"}, -1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export"};
        args.insert(args.end(), c.Verb.begin(), c.Verb.end());
        const std::string csv = Dir.File("out.csv");
        args.insert(args.end(), {"--csv", csv});
        const TRun r = Run(args);
        ASSERT_EQ(r.Code, 0) << c.Verb[0] << ": " << r.Err;
        const size_t lines = Lines(ReadRaw(csv)).size();
        ASSERT_GE(lines, 2u) << c.Verb[0];
        const int rows = c.Rows < 0 ? static_cast<int>(lines) - 1 : c.Rows;
        EXPECT_EQ(lines, static_cast<size_t>(rows) + 1) << c.Verb[0];
        EXPECT_EQ(r.Out, "Экспортировано строк: " + std::to_string(rows) + "\n") << c.Verb[0];
    }
    const TRun bad = Run({"export", "draws", "--csv", Dir.File("x.csv"), "--rows", "5-2"});
    EXPECT_EQ(bad.Code, 1);
    EXPECT_NE(bad.Err.find("Некорректный диапазон строк: 5-2"), std::string::npos) << bad.Err;
}

TEST_F(CliTest, ExportParameterFilesAndTheRememberedSection) {
    WriteRaw(Archive(), RawDrawRange(1, 10));
    const std::string exp = Dir.File("p.exp"), section = "EXPORT_EXCEL_FORMMAIN.LVDRAWS";
    ASSERT_EQ(Run({"export", "draws", "--title", "Мой отчет", "--save-exp", exp}).Code, 0);
    TIniFile file(exp);
    file.Load();
    EXPECT_EQ(file.ReadString(section, "Title", ""), "Мой отчет");
    EXPECT_FALSE(file.ValueExists(section, "RestoreParameters"));
    EXPECT_EQ(file.ReadString(section, "Item_0", ""), "0;Тираж;Тираж;-1;1;10.00");
    // Nothing is remembered without --remember.
    auto config = [&](const std::string& key) {
        TIniFile ini(Dir.File("Zorb_6x52.ini"));
        if (FileExists(Dir.File("Zorb_6x52.ini"))) ini.Load();
        return ini.ReadString(section, key, "<none>");
    };
    EXPECT_EQ(config("Title"), "<none>");
    ASSERT_EQ(Run({"export", "draws", "--exp", exp, "--remember"}).Code, 0);
    EXPECT_EQ(config("RestoreParameters"), "1");
    EXPECT_EQ(config("Title"), "Мой отчет");
}

TEST_F(CliTest, UpdateCrcPrintsEightUpperCaseDigits) {
    WriteRaw(Dir.File("abc"), "abc");
    const TRun r = Run({"update", "crc", Dir.File("abc")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "352441C2\n");
}

} // namespace
} // namespace zorb::test
