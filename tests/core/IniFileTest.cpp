#include "core/IniFile.h"
#include "TestFiles.h"
#include "core/Errors.h"
#include "core/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zorb {
namespace {

using test::ReadRaw;
using test::TTempDir;
using test::WriteRaw;

// Turns the injected write fault off however the test ends.
struct TWriteFaultGuard {
    explicit TWriteFaultGuard(int64_t after) { InjectWriteFault(after); }
    ~TWriteFaultGuard() { InjectWriteFault(-1); }
};

bool HasTempLeftovers(const TTempDir& dir) {
    for (const auto& name : dir.Names())
        if (name.find(".~") != std::string::npos) return true;
    return false;
}

TEST(IniFile, MissingFileIsEmptyAndGivesDefaults) {
    TTempDir dir;
    TIniFile ini(dir.File("none.ini"));
    ASSERT_NO_THROW(ini.Load());
    EXPECT_FALSE(ini.LoadFailed());
    EXPECT_EQ(ini.ReadString("A", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("A", "k", 7), 7);
    EXPECT_TRUE(ini.ReadBool("A", "k", true));
    EXPECT_EQ(ini.ReadFloat("A", "k", 2.5), 2.5);
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_TRUE(ini.ReadSection("A").empty());
}

struct TValueCase {
    const char* Text;
    int Int;
    bool Bool;
    double Float;
};
void PrintTo(const TValueCase& c, std::ostream* os) {
    *os << '"' << c.Text << '"';
}
class IniValues : public testing::TestWithParam<TValueCase> {};
TEST_P(IniValues, ReadWithDefaults) {
    TTempDir dir;
    WriteRaw(dir.File("v.ini"), std::string("[S]\nk=") + GetParam().Text + "\n");
    TIniFile ini(dir.File("v.ini"));
    ini.Load();
    EXPECT_EQ(ini.ReadInteger("S", "k", -99), GetParam().Int) << GetParam().Text;
    EXPECT_EQ(ini.ReadBool("S", "k", false), GetParam().Bool) << GetParam().Text;
    EXPECT_EQ(ini.ReadFloat("S", "k", -0.5), GetParam().Float) << GetParam().Text;
}
INSTANTIATE_TEST_SUITE_P(Table, IniValues,
                         testing::Values(TValueCase{"12", 12, true, 12.0}, TValueCase{"0", 0, false, 0.0},
                                         TValueCase{"-3", -3, true, -3.0}, TValueCase{"2", 2, true, 2.0},
                                         TValueCase{" 12 ", 12, true, 12.0}, TValueCase{"abc", -99, false, -0.5},
                                         TValueCase{"", -99, false, -0.5}, TValueCase{"1,5", -99, false, 1.5},
                                         TValueCase{"1.5", -99, false, 1.5}, TValueCase{"0x10", 16, true, -0.5},
                                         TValueCase{"0xZZ", -99, false, -0.5},
                                         TValueCase{"99999999999", -99, false, 99999999999.0}));

// The checked reads: the integer in [-10, 100] with default 42, the float in [-10, 1e12] with default 0.5.
struct TCheckedCase {
    const char* Text;
    int Int;
    double Float;
};
void PrintTo(const TCheckedCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class IniCheckedValues : public testing::TestWithParam<TCheckedCase> {};
TEST_P(IniCheckedValues, OutOfRangeOrMalformedGivesTheDefault) {
    TTempDir dir;
    WriteRaw(dir.File("v.ini"), std::string("[S]\nk=") + GetParam().Text + "\n");
    TIniFile ini(dir.File("v.ini"));
    ini.Load();
    EXPECT_EQ(ini.ReadInteger("S", "k", 42, -10, 100), GetParam().Int);
    EXPECT_EQ(ini.ReadFloat("S", "k", 0.5, -10, 1e12), GetParam().Float);
}
INSTANTIATE_TEST_SUITE_P(Table, IniCheckedValues,
                         testing::Values(TCheckedCase{"1e308", 42, 0.5}, TCheckedCase{"1e400", 42, 0.5},
                                         TCheckedCase{"inf", 42, 0.5}, TCheckedCase{"-inf", 42, 0.5},
                                         TCheckedCase{"nan", 42, 0.5}, TCheckedCase{"-5", -5, -5.0},
                                         TCheckedCase{"-11", 42, 0.5}, TCheckedCase{"100", 100, 100.0},
                                         TCheckedCase{"101", 42, 101.0}, TCheckedCase{"99999999999", 42, 99999999999.0},
                                         TCheckedCase{"12abc", 42, 0.5}, TCheckedCase{"", 42, 0.5},
                                         TCheckedCase{"0x10", 16, 0.5}, TCheckedCase{"0x10zz", 42, 0.5},
                                         TCheckedCase{"0xFFFFFFFF", 42, 0.5}, TCheckedCase{" 7 ", 7, 7.0},
                                         TCheckedCase{"1,5", 42, 1.5}, TCheckedCase{"2.5e3", 42, 2500.0}));

TEST(IniFile, HostileValuesDoNotCostTheRestOfTheFile) {
    TTempDir dir;
    const std::string path = dir.File("h.ini");
    WriteRaw(path, "[GLOBAL]\nMatrixCols=-5\nOwnKey=keep me\n[STAKES]\nCost=1e308\n[MINE]\nA=1\nB=inf\n");
    {
        TIniFile ini(path);
        ini.Load();
        EXPECT_EQ(ini.ReadInteger("GLOBAL", "MatrixCols", 7, 1, 52), 7);
        EXPECT_EQ(ini.ReadFloat("STAKES", "Cost", 0, 0, 1e9), 0);
        ini.WriteInteger("GLOBAL", "MatrixCols", 7);
        ini.Save();
    }
    TIniFile back(path);
    back.Load();
    EXPECT_EQ(back.ReadString("GLOBAL", "OwnKey", ""), "keep me");
    EXPECT_EQ(back.ReadString("STAKES", "Cost", ""), "1e308");
    EXPECT_EQ(back.ReadString("MINE", "B", ""), "inf");
    EXPECT_EQ(back.ReadSection("MINE"), (std::vector<std::string>{"A", "B"}));
}

TEST(IniFile, WriteSaveReloadRoundTrip) {
    TTempDir dir;
    const std::string path = dir.File("r.ini");
    {
        TIniFile ini(path);
        ini.Load();
        ini.WriteString("Секция", "Ключ", "Значение = с равенством");
        ini.WriteInteger("S", "i", -2147483647 - 1);
        ini.WriteBool("S", "b", true);
        ini.WriteFloat("S", "f", 0.1);
        ini.WriteString("S", "empty", "");
        ini.Save();
    }
    EXPECT_FALSE(HasTempLeftovers(dir)) << "the atomic rewrite must not leave its temporary file";
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadString("Секция", "Ключ", ""), "Значение = с равенством");
    EXPECT_EQ(ini.ReadInteger("S", "i", 0), -2147483647 - 1);
    EXPECT_TRUE(ini.ReadBool("S", "b", false));
    EXPECT_EQ(ini.ReadFloat("S", "f", 0), 0.1);
    EXPECT_TRUE(ini.ValueExists("S", "empty"));
    EXPECT_EQ(ini.ReadString("S", "empty", "def"), "");
}

TEST(IniFile, KeysAndSectionsIgnoreCaseAndKeepFileOrder) {
    TTempDir dir;
    WriteRaw(dir.File("c.ini"), "[Main]\nZeta=1\nalpha=2\nMid=3\n[Other]\nq=4\n");
    TIniFile ini(dir.File("c.ini"));
    ini.Load();
    EXPECT_EQ(ini.ReadInteger("MAIN", "ZETA", 0), 1);
    EXPECT_EQ(ini.ReadInteger("main", "Alpha", 0), 2);
    EXPECT_EQ(ini.ReadSection("Main"), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    ini.WriteInteger("main", "ZETA", 10); // replaces, does not add a second key
    EXPECT_EQ(ini.ReadSection("Main").size(), 3u);
    EXPECT_EQ(ini.ReadInteger("Main", "Zeta", 0), 10);
}

TEST(IniFile, LineBreaksInValuesDoNotCreateKeys) {
    TTempDir dir;
    const std::string path = dir.File("n.ini");
    {
        TIniFile ini(path);
        ini.WriteString("S", "k", "line1\r\nInjected=1\n[Evil]\rx=2");
        ini.Save();
    }
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadSection("S"), std::vector<std::string>{"k"});
    EXPECT_FALSE(ini.ValueExists("S", "Injected"));
    EXPECT_FALSE(ini.SectionExists("Evil"));
    EXPECT_NE(ini.ReadString("S", "k", "").find("line1"), std::string::npos);
}

TEST(IniFile, ReadsCodePage1251Files) {
    TIniFile ini(ZORB_TEST_DATA "/cp1251.ini");
    ASSERT_NO_THROW(ini.Load());
    EXPECT_EQ(ini.ReadString("ИМЯ", "Ключ", ""), "Значение ёЁ");
    EXPECT_EQ(ini.ReadInteger("GLOBAL", "MatrixCols", 0), 9);
    TTempDir dir;
    WriteRaw(dir.File("b.ini"), "\xEF\xBB\xBF[A]\nk=1\n"); // the BOM is not part of the first section name
    TIniFile bom(dir.File("b.ini"));
    bom.Load();
    EXPECT_EQ(bom.ReadInteger("A", "k", 0), 1);
}

struct TGarbageCase {
    const char* Name;
    std::string Bytes;
};
void PrintTo(const TGarbageCase& c, std::ostream* os) {
    *os << c.Name;
}

class IniGarbage : public testing::TestWithParam<TGarbageCase> {};
TEST_P(IniGarbage, LoadsWhatIsReadable) {
    TTempDir dir;
    const std::string path = dir.File("g.ini");
    WriteRaw(path, "[Good]\nkey=5\n" + GetParam().Bytes + "\n[Tail]\nlast=7\n");
    TIniFile ini(path);
    ASSERT_NO_THROW(ini.Load());
    EXPECT_EQ(ini.ReadInteger("Good", "key", 0), 5);
    EXPECT_EQ(ini.ReadInteger("Tail", "last", 0), 7);
    EXPECT_EQ(ini.ReadInteger("Good", "missing", 3), 3);
    ini.WriteInteger("Good", "key", 6);
    ASSERT_NO_THROW(ini.Save());
    TIniFile again(path);
    again.Load();
    EXPECT_EQ(again.ReadInteger("Good", "key", 0), 6);
}
std::string AllBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i == '\n' || i == '[' ? 'x' : i);
    return s;
}
INSTANTIATE_TEST_SUITE_P(Table, IniGarbage,
                         testing::Values(TGarbageCase{"NULs", std::string("\0\0\0=\0", 5)},
                                         TGarbageCase{"binary", std::string("\xFF\xFE\x00\x01garbage", 12)},
                                         TGarbageCase{"every byte", AllBytes()},
                                         TGarbageCase{"broken lines", "=\n==\n]\n[\n[]\nnovalue\n;comment"},
                                         TGarbageCase{"long invalid UTF-8", std::string(100000, '\xC3')},
                                         TGarbageCase{"control characters", "\r\r\r\x1A\x1A"}));

TEST(IniFile, FailedSaveKeepsThePreviousFile) {
    TTempDir dir;
    const std::string path = dir.File("f.ini");
    const std::string before = "[S]\nk=old value that is long enough\n";
    WriteRaw(path, before);
    TIniFile ini(path);
    ini.Load();
    ini.WriteString("S", "k", "new value, written through a failing disk");
    {
        TWriteFaultGuard fault(10);
        EXPECT_THROW(ini.Save(), EZorbError);
    }
    EXPECT_EQ(ReadRaw(path), before);
    EXPECT_FALSE(HasTempLeftovers(dir));
    ASSERT_NO_THROW(ini.Save()); // the disk works again
    TIniFile again(path);
    again.Load();
    EXPECT_EQ(again.ReadString("S", "k", ""), "new value, written through a failing disk");
}

TEST(IniFile, UnreadablePathIsNeverReplaced) {
    TTempDir dir;
    const std::string path = dir.File("dir.ini");
    std::filesystem::create_directory(path);
    WriteRaw(path + "/inside", "keep");
    TIniFile ini(path);
    EXPECT_THROW(ini.Load(), EZorbError);
    EXPECT_TRUE(ini.LoadFailed());
    ini.WriteString("S", "k", "v");
    EXPECT_THROW(ini.Save(), EZorbError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(ReadRaw(path + "/inside"), "keep");
    EXPECT_FALSE(HasTempLeftovers(dir));
}

TEST(IniFile, SaveUnderMissingOrFileParentRaises) {
    TTempDir dir;
    WriteRaw(dir.File("plain"), "x");
    for (const std::string& path : {dir.File("no/such/dir/a.ini"), dir.File("plain/a.ini")}) {
        TIniFile ini(path);
        EXPECT_NO_THROW(ini.Load()) << path; // nothing there to read: an empty file
        ini.WriteString("S", "k", "v");
        EXPECT_THROW(ini.Save(), EZorbError) << path;
    }
    EXPECT_EQ(ReadRaw(dir.File("plain")), "x");
}

} // namespace
} // namespace zorb
