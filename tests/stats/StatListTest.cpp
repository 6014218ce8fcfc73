#include "stats/StatList.h"
#include "../core/TestFiles.h"
#include "StatTestUtil.h"
#include "core/Errors.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace zorb {
namespace {

using test::TRegistry;
using test::TTempDir;
using test::WriteRaw;

std::vector<std::string> Codes(const TStatList& list) {
    std::vector<std::string> r;
    for (int i = 0; i < list.MethodCount(); ++i) r.push_back(list.CodeOf(i));
    return r;
}

std::set<std::string> FavoriteCodes(const TStatList& list) {
    std::set<std::string> r;
    for (int i = 0; i < list.MethodCount(); ++i)
        if (list.Method(i).Favorite) r.insert(list.CodeOf(i));
    return r;
}

// --- Registry order --------------------------------------------------------------------------------------------

TEST(Registry, BuiltEntriesInRegistryOrder) {
    TRegistry reg;
    EXPECT_EQ(Codes(reg.List),
              (std::vector<std::string>{
        "NUMS", "DIGS", "EVEN", "EVNV", "SMAL", "SMLV", "PRIM", "PRMV", "SUMS", "SUM1", "SUM2", "SUM3", "SUMC",
        "SUMV", "SUMT", "SUME", "SUMP", "S2T3", "DIFA", "DIFM", "DIFD", "DIFO", "DIFK", "CHAN", "CHNV", "CHNC",
        "COLS", "ROWS", "COLV", "ROWV", "COLN", "ROWN", "COLM", "ROWM", "COLA", "ROWA", "COLC", "ROWC", "SGMS",
        "SGMV", "SGMC", "SEQL", "SEQS", "LENS", "RPV2", "RPV3", "PRL2", "PRV2O1", "PRV2O2", "PRV2O3", "PRV+1",
        "PRV-1", "PRV+2", "PRV-2", "RPC2", "RPC3", "PRB2", "RPO1", "PRC2O2", "PRC2O3", "PRC+1", "PRC-1", "PRC+2",
        "PRC-2", "KNM2", "KNM3", "KNM4", "KNS2", "KNS3", "KNS4", "KNP21", "KNP22", "KNP23", "KNP24", "KNP25",
        "KNP31", "KNP32", "KNP33", "KNP34", "KNP41", "KNP42", "KNP43", "KDS2", "KDS3", "KDS4", "KCM2", "KCM3",
        "KCM4", "KCS2", "KCS3", "KCS4", "KFM2", "KFM3", "KFM4", "KFS2", "KFS3", "KFS4", "KRM2", "KRM3", "KRM4",
        "KRS2", "KRS3", "KRS4", "KGM2", "KGM3", "KGM4", "KGS2", "KGS3", "KGS4", "POS1", "POS2", "POS3", "POS4",
        "POS5", "POS6", "CHN1", "CHN2", "CHN3", "CHN4", "CHN5", "CHN6", "CHN7", "CHN8", "CHN9", "CHN10", "CHN11",
        "CHN12", "CHN13", "COL1", "COL2", "COL3", "COL4", "COL5", "COL6", "COL7", "ROW1", "ROW2", "ROW3", "ROW4",
        "ROW5", "ROW6", "ROW7", "ROW8", "SGM1", "GRPV", "GRPP", "GRCV", "GRCP", "GRSV", "GRSP", "PRDV", "PRDC",
        "PRDG", "SDV2", "SDP2", "SDN1", "SDN2", "SDN3", "SDN4", "SDN5", "SDN6", "SDP3", "SDM1", "SDM2", "SDM3",
        "SDM4", "SDM5", "SDM6", "SCV2", "SCP2", "SCN1", "SCN2", "SCN3", "SCN4", "SCN5", "SCN6", "SCP3", "SCM1",
        "SCM2", "SCM3", "SCM4", "SCM5", "SCM6", "SC2C1", "SC2C2", "SC2C3", "SC2C4", "SC2C5", "SC2C6", "SC2C7",
        "SC2C8", "SC2C9", "SC2C10", "SC2C11", "SC2C12", "SC2C13", "SC3C1", "SC3C2", "SC3C3", "SC3C4", "SC3C5",
        "SC3C6", "SC3C7", "SC3C8", "SC3C9", "SC3C10", "SC3C11", "SC3C12", "SC3C13", "SDA2", "SDG2", "SDZ2", "SDC2",
        "SSV2", "SSP2", "SSN1", "SSN2", "SSN3", "SSN4", "SSN5", "SSN6", "SSP3", "SSM1", "SSM2", "SSM3", "SSM4",
        "SSM5", "SSM6", "SS2C1", "SS3C1", "HCO1", "HCO2", "HCO3", "SHR1", "SHR2", "SHR3"}));
    for (int i = 0; i < reg.List.MethodCount(); ++i) {
        EXPECT_TRUE(reg.List.Method(i).Favorite);
        EXPECT_TRUE(reg.List.Method(i).Title.empty());
    }
}

TEST(Registry, TableHoldsEverySlotFilled) {
    const auto& t = RegistryTable();
    ASSERT_EQ(t.size(), 143u);
    EXPECT_STREQ(t.front().Code, "NUMS");
    EXPECT_STREQ(t.back().Code, "SHR%d");
    auto at = [&](const std::string& code) {
        auto it = std::find_if(t.begin(), t.end(), [&](const TRegistrySlot& s) { return code == s.Code; });
        EXPECT_NE(it, t.end()) << code;
        return it - t.begin();
    };
    EXPECT_GT(at("POS%d"), at("KGS4"));
    EXPECT_GT(at("POE%d"), at("KGS4"));
    EXPECT_GT(at("HCO1"), at("SS3C%d"));
    std::set<std::string> codes;
    for (const TRegistrySlot& s : t) {
        EXPECT_TRUE(codes.insert(s.Code).second) << "duplicate slot " << s.Code;
        ASSERT_NE(s.Class, nullptr) << s.Code;
        EXPECT_STREQ(s.Class->Code, s.Code);
    }
}

// Each descriptor makes an instance that answers with that very descriptor, and names a class no other one names.
TEST(Registry, EveryClassMakesItsOwnKind) {
    TRegistry reg;
    std::set<std::string> names;
    for (const TRegistrySlot& s : RegistryTable()) {
        ASSERT_NE(s.Class, nullptr) << s.Code;
        EXPECT_TRUE(names.insert(s.Class->ClassName).second) << "duplicate class " << s.Class->ClassName;
        EXPECT_EQ(&s.Class->Create(reg.List, 1)->Class(), s.Class) << s.Code;
    }
}

struct TEntryCase {
    const char* Code;
    const char* Letters; // full flags, G included for graph methods
    int HasTextValues;   // -1: not checked
    const char* HelpCode;
};
void PrintTo(const TEntryCase& c, std::ostream* os) {
    *os << c.Code;
}
class RegistryEntry : public testing::TestWithParam<TEntryCase> {};
TEST_P(RegistryEntry, FlagsAndTraits) {
    const TEntryCase& c = GetParam();
    TRegistry reg;
    const int i = reg.Index(c.Code);
    ASSERT_GE(i, 0);
    const TStatClass& cls = *reg.List.Method(i).StatClass;
    EXPECT_EQ(FlagLetters(cls.FullFlags()), c.Letters);
    EXPECT_EQ(reg.List.IsGraphMethod(i), std::string(c.Letters).find('G') != std::string::npos);
    EXPECT_EQ(reg.List.IsPrefetchable(i), std::string(c.Letters).find('N') != std::string::npos);
    if (c.HasTextValues >= 0) {
        EXPECT_EQ(cls.HasTextValues, c.HasTextValues == 1);
    }
    EXPECT_EQ(cls.HelpCodeOf(reg.List.Method(i).Param), c.HelpCode);
    EXPECT_TRUE(reg.List.IsAvailable(i));
    EXPECT_EQ(reg.List.CreateStat(i)->Param(), reg.List.Method(i).Param);
}
INSTANTIATE_TEST_SUITE_P(Table, RegistryEntry,
                         testing::Values(TEntryCase{"NUMS", "N", 1, "NUMS"}, TEntryCase{"DIGS", "N", 1, "DIGS"},
                                         TEntryCase{"EVEN", "NG", 1, "EVEN"}, TEntryCase{"EVNV", "SN", 1, "EVNV"},
                                         TEntryCase{"SMAL", "NG", 1, "SMAL"}, TEntryCase{"SMLV", "SN", 1, "SMLV"},
                                         TEntryCase{"PRIM", "NG", 1, "PRIM"}, TEntryCase{"PRMV", "SN", 1, "PRMV"},
                                         TEntryCase{"SUMS", "NG", -1, "SUMS"}, TEntryCase{"SUM1", "NG", 0, "SUM1"},
                                         TEntryCase{"SUM3", "NG", 0, "SUM3"}, TEntryCase{"SUMC", "DG", 0, "SUMC"},
                                         TEntryCase{"SUMV", "D", 0, "SUMV"}, TEntryCase{"SUMT", "DG", 0, "SUMT"},
                                         TEntryCase{"SUME", "NG", -1, "SUME"}, TEntryCase{"SUMP", "NG", -1, "SUMP"},
                                         TEntryCase{"S2T3", "NG", -1, "S2T3"}, TEntryCase{"POS1", "SNG", -1, "POSx"},
                                         TEntryCase{"POS6", "SNG", -1, "POSx"}));

class FindByCode : public testing::TestWithParam<std::pair<const char*, const char*>> {};
TEST_P(FindByCode, IgnoresLetterCase) {
    TRegistry reg;
    const std::string wanted = GetParam().second;
    const int i = reg.List.FindByCode(GetParam().first);
    if (wanted.empty()) {
        EXPECT_EQ(i, -1);
    } else {
        ASSERT_GE(i, 0);
        EXPECT_EQ(reg.List.CodeOf(i), wanted);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, FindByCode,
                         testing::Values(std::pair{"pos3", "POS3"}, std::pair{"Nums", "NUMS"},
                                         std::pair{"s2t3", "S2T3"}, std::pair{"SUM2", "SUM2"}, std::pair{"POE1", ""},
                                         std::pair{"SUM%d", ""}, std::pair{"", ""}, std::pair{"NUMS ", ""}));

// --- Names -------------------------------------------------------------------------------------------------------

class Caption : public testing::TestWithParam<std::pair<const char*, const char*>> {};
TEST_P(Caption, FormattedWithTheParameter) {
    TRegistry reg;
    EXPECT_EQ(reg.List.EntryName(reg.Index(GetParam().first)), GetParam().second);
    EXPECT_EQ(reg.Create(GetParam().first)->MethodCaption(), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Table, Caption,
                         testing::Values(std::pair{"EVEN", "Количество четных чисел в тираже (Ч:Н)"},
                                         std::pair{"POS3", "Число в 3 позиции тиража"},
                                         std::pair{"POS6", "Число в 6 позиции тиража"},
                                         std::pair{"SUM1", "Сумма тиража: диапазон 1 (1/3)"},
                                         std::pair{"SUM2", "Сумма тиража: диапазон 2 (1/2)"},
                                         std::pair{"SUM3", "Сумма тиража: диапазон 3 (2/3)"}));

class Group : public testing::TestWithParam<std::pair<int, const char*>> {};
TEST_P(Group, Caption) {
    EXPECT_EQ(GroupCaption(GetParam().first), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Table, Group,
                         testing::Values(std::pair{0, "{ num } Числа тиража"},
                                         std::pair{1, "{ sum } Сумма чисел тиража"},
                                         std::pair{12, "{ shr } Методы шинковки"}, std::pair{13, "#ERROR#"},
                                         std::pair{-1, "#ERROR#"}));

struct TDisplayCase {
    const char* Code;
    bool GroupName, MethodFlags, WithFlags;
    const char* Title;
    const char* Expected;
};
void PrintTo(const TDisplayCase& c, std::ostream* os) {
    *os << c.Code << " group " << c.GroupName << " flags " << c.MethodFlags << "/" << c.WithFlags << " title '"
        << c.Title << "'";
}
class DisplayName : public testing::TestWithParam<TDisplayCase> {};
TEST_P(DisplayName, GroupTitleAndFlags) {
    const TDisplayCase& c = GetParam();
    TRegistry reg;
    const int i = reg.Index(c.Code);
    reg.List.ShowGroupName = c.GroupName;
    reg.List.ShowMethodFlags = c.MethodFlags;
    reg.List.Method(i).Title = c.Title;
    EXPECT_EQ(reg.List.DisplayName(i, c.WithFlags), c.Expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, DisplayName,
    testing::Values(TDisplayCase{"EVEN", true, true, true, "", "{ num } Количество четных чисел в тираже (Ч:Н) [ NG ]"},
                    TDisplayCase{"EVEN", true, true, false, "", "{ num } Количество четных чисел в тираже (Ч:Н)"},
                    TDisplayCase{"EVEN", false, true, true, "", "Количество четных чисел в тираже (Ч:Н) [ NG ]"},
                    TDisplayCase{"EVEN", true, false, true, "", "{ num } Количество четных чисел в тираже (Ч:Н)"},
                    TDisplayCase{"EVEN", false, false, true, "", "Количество четных чисел в тираже (Ч:Н)"},
                    TDisplayCase{"SUM2", true, true, true, "", "{ sum } Сумма тиража: диапазон 2 (1/2) [ NG ]"},
                    TDisplayCase{"POS3", true, true, true, "", "{ num } Число в 3 позиции тиража [ SNG ]"},
                    TDisplayCase{"SUMV", true, true, true, "Моё имя", "{ sum } Моё имя [ D ]"},
                    TDisplayCase{"EVNV", true, true, true, "Узор", "{ num } Узор [ SN ]"},
                    TDisplayCase{"EVNV", false, false, true, "Узор", "Узор"},
                    TDisplayCase{"SUMS", true, true, true, "100% суммы", "{ sum } 100% суммы [ NG ]"}));

// --- Favourites --------------------------------------------------------------------------------------------------

TEST(Favorites, ShowAllStateHasNoTextAndEmptyTextRestoresIt) {
    TRegistry reg;
    EXPECT_TRUE(reg.List.ShowAll);
    EXPECT_EQ(reg.List.FavoritesText(), "");
    reg.List.SetFavoritesText("NUMS");
    EXPECT_FALSE(reg.List.ShowAll);
    reg.List.SetFavoritesText("");
    EXPECT_TRUE(reg.List.ShowAll);
    EXPECT_EQ(FavoriteCodes(reg.List).size(), static_cast<size_t>(reg.List.MethodCount()));
    EXPECT_EQ(reg.List.FavoritesText(), "");
    for (int i = 0; i < reg.List.MethodCount(); ++i) EXPECT_TRUE(reg.List.IsShown(i));
}

struct TFavCase {
    const char* Text;
    std::set<std::string> Favorites;
    const char* Normalized;
};
void PrintTo(const TFavCase& c, std::ostream* os) {
    *os << '"' << c.Text << '"';
}
class FavoritesText : public testing::TestWithParam<TFavCase> {};
TEST_P(FavoritesText, MarksListedCodesOnly) {
    const TFavCase& c = GetParam();
    TRegistry reg;
    reg.List.SetFavoritesText(c.Text);
    EXPECT_FALSE(reg.List.ShowAll);
    EXPECT_EQ(FavoriteCodes(reg.List), c.Favorites);
    EXPECT_EQ(reg.List.FavoritesText(), c.Normalized);
    for (int i = 0; i < reg.List.MethodCount(); ++i)
        EXPECT_EQ(reg.List.IsShown(i), c.Favorites.count(reg.List.CodeOf(i)) == 1) << reg.List.CodeOf(i);
}
INSTANTIATE_TEST_SUITE_P(Table, FavoritesText,
                         testing::Values(TFavCase{"nums,Pos3", {"NUMS", "POS3"}, "NUMS,POS3"},
                                         TFavCase{"POS3,nums", {"NUMS", "POS3"}, "NUMS,POS3"},
                                         TFavCase{"sum3,SUM1,XXXX", {"SUM1", "SUM3"}, "SUM1,SUM3"},
                                         TFavCase{"POS", {}, ""}, TFavCase{"s2t3,,", {"S2T3"}, "S2T3"}));

struct TNormCase {
    const char* Name;
    std::set<std::string> Favorites; // the rest are not favourites
    bool AllFavorites;
    bool ShowAll;
};
void PrintTo(const TNormCase& c, std::ostream* os) {
    *os << c.Name;
}
class NormalizeFavorites : public testing::TestWithParam<TNormCase> {};
TEST_P(NormalizeFavorites, ShowAllOnlyWhenNothingIsSingledOut) {
    const TNormCase& c = GetParam();
    TRegistry reg;
    reg.List.ShowAll = !c.ShowAll;
    for (int i = 0; i < reg.List.MethodCount(); ++i)
        reg.List.Method(i).Favorite = c.AllFavorites || c.Favorites.count(reg.List.CodeOf(i)) == 1;
    const std::set<std::string> before = FavoriteCodes(reg.List);
    reg.List.NormalizeFavorites();
    EXPECT_EQ(reg.List.ShowAll, c.ShowAll);
    if (c.ShowAll) {
        EXPECT_EQ(FavoriteCodes(reg.List).size(), static_cast<size_t>(reg.List.MethodCount()));
    } else {
        EXPECT_EQ(FavoriteCodes(reg.List), before);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, NormalizeFavorites,
                         testing::Values(TNormCase{"AllOn", {}, true, true}, TNormCase{"AllOff", {}, false, true},
                                         TNormCase{"Mixed", {"SUMC", "POS6"}, false, false},
                                         TNormCase{"OnlyFirst", {"NUMS"}, false, false}));

// --- The names file ----------------------------------------------------------------------------------------------

struct TTitle {
    const char* Code;
    const char* Typed;
    const char* Read;
};
struct TNamesCase {
    const char* Name;
    const char* Favorites;
    const char* FavoritesBack;
    bool Ordered, GroupName, MethodFlags;
    std::vector<TTitle> Titles;
    const char* Language; // empty: the default
};
void PrintTo(const TNamesCase& c, std::ostream* os) {
    *os << c.Name;
}
class NamesFile : public testing::TestWithParam<TNamesCase> {};
TEST_P(NamesFile, SaveThenLoadRestoresFavoritesOptionsAndTitles) {
    const TNamesCase& c = GetParam();
    TTempDir dir;
    const std::string path = dir.File("names.flt");
    const std::string section = std::string("STRINGS_") + (*c.Language ? c.Language : "RUS");
    // A title stored earlier for a method that no longer has one must not come back.
    WriteRaw(path, "[OTHER]\nKey=Value\n[" + section + "]\nDIGS=Old title\n");
    {
        TRegistry reg;
        if (*c.Language) reg.List.SetLanguageAbbrev(c.Language);
        reg.List.SetFavoritesText(c.Favorites);
        reg.List.Ordered = c.Ordered;
        reg.List.ShowGroupName = c.GroupName;
        reg.List.ShowMethodFlags = c.MethodFlags;
        for (const TTitle& t : c.Titles) reg.List.Method(reg.Index(t.Code)).Title = t.Typed;
        reg.List.SaveNames(path, true, false);
    }
    TRegistry back;
    if (*c.Language) back.List.SetLanguageAbbrev(c.Language);
    back.List.LoadNames(path, true);
    EXPECT_EQ(back.List.ShowAll, std::string(c.Favorites).empty());
    EXPECT_EQ(back.List.FavoritesText(), c.FavoritesBack);
    EXPECT_EQ(back.List.Ordered, c.Ordered);
    EXPECT_EQ(back.List.ShowGroupName, c.GroupName);
    EXPECT_EQ(back.List.ShowMethodFlags, c.MethodFlags);
    for (int i = 0; i < back.List.MethodCount(); ++i) {
        std::string expected;
        for (const TTitle& t : c.Titles)
            if (back.List.CodeOf(i) == t.Code) expected = t.Read;
        EXPECT_EQ(back.List.Method(i).Title, expected) << back.List.CodeOf(i);
    }
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadString("OTHER", "Key", ""), "Value") << "other sections are kept";
}
INSTANTIATE_TEST_SUITE_P(
    Table, NamesFile,
    testing::Values(
        TNamesCase{"SomeFavorites", "nums,pos3", "NUMS,POS3", true, false, true, {{"SUMS", "Суммы", "Суммы"}}, ""},
        TNamesCase{"ShowAll", "", "", false, true, false, {}, ""},
        TNamesCase{"TitlesTrimmed",
                   "SUMC",
                   "SUMC",
                   false,
                   false,
                   false,
                   {{"POS3", "  Третье число  ", "Третье число"}, {"EVNV", "Узор ", "Узор"}},
                   ""},
        TNamesCase{"OtherLanguage",
                   "sum1,sum2,sum3",
                   "SUM1,SUM2,SUM3",
                   true,
                   true,
                   true,
                   {{"POS6", "Sixth", "Sixth"}},
                   "ENG"}));

TEST(NamesFile, AllNamesWritesEveryEntry) {
    TTempDir dir;
    const std::string path = dir.File("all.flt");
    TRegistry reg;
    reg.List.Method(reg.Index("SUMT")).Title = "Куда идёт сумма";
    reg.List.SaveNames(path, false, true);
    TIniFile ini(path);
    ini.Load();
    EXPECT_EQ(ini.ReadSection("STRINGS_RUS"), Codes(reg.List));
    EXPECT_EQ(ini.ReadString("STRINGS_RUS", "POS3", ""), "Число в 3 позиции тиража");
    EXPECT_EQ(ini.ReadString("STRINGS_RUS", "SUMT", ""), "Куда идёт сумма");
    EXPECT_FALSE(ini.SectionExists("FILTERS")) << "no options were asked for";
}

// A missing file keeps the favourites and options but has no titles: titles live only in the file.
TEST(NamesFile, MissingFileKeepsFavouritesButHasNoTitles) {
    TTempDir dir;
    TRegistry reg;
    reg.List.SetFavoritesText("EVEN,POS2");
    reg.List.Ordered = true;
    reg.List.ShowGroupName = false;
    reg.List.Method(reg.Index("SUMS")).Title = "Суммы";
    reg.List.LoadNames(dir.File("missing.flt"), true);
    EXPECT_EQ(reg.List.FavoritesText(), "EVEN,POS2");
    EXPECT_FALSE(reg.List.ShowAll);
    EXPECT_TRUE(reg.List.Ordered);
    EXPECT_FALSE(reg.List.ShowGroupName);
    EXPECT_TRUE(reg.List.ShowMethodFlags);
    EXPECT_EQ(reg.List.Method(reg.Index("SUMS")).Title, "");
}

TEST(NamesFile, UnreadablePathRaises) {
    TTempDir dir;
    TRegistry reg;
    EXPECT_THROW(reg.List.LoadNames(dir.Path(), true), EZorbError);
    EXPECT_THROW(reg.List.SaveNames(dir.Path(), true, false), EZorbError);
    EXPECT_THROW(reg.List.SaveNames(dir.Path(), false, true), EZorbError);
}

// --- Creation, profits and help ----------------------------------------------------------------------------------

TEST(CreateSelectedStat, NoSelectionRaisesNamingTheList) {
    TRegistry reg;
    try {
        reg.List.CreateSelectedStat(-1, "cbDrawsStatType");
        FAIL() << "no error";
    } catch (const EZorbError& e) {
        EXPECT_STREQ(e.what(), "Не выбран метод расчета статистики (cb: cbDrawsStatType)!");
    }
    EXPECT_EQ(reg.List.CreateSelectedStat(reg.Index("POS4"), "cb")->Class().CodeOf(4), "POS4");
}

struct TProfitCase {
    int Numbers, Matches;
    Currency Expected;
};
void PrintTo(const TProfitCase& c, std::ostream* os) {
    *os << c.Numbers << " numbers, " << c.Matches << " matches";
}
class StakeProfit : public testing::TestWithParam<TProfitCase> {};
TEST_P(StakeProfit, PrizeOfTheFirstMatchingRowLessTheStakeCost) {
    TRegistry reg;
    reg.List.Config.Cost = 500000; // 50.00
    reg.List.Config.Profits = {{2, 1000000}, {3, 5000000}, {3, 9990000}, {6, 1000000000000}};
    EXPECT_EQ(reg.List.StakeProfit(GetParam().Numbers, GetParam().Matches), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, StakeProfit,
                         testing::Values(TProfitCase{6, -1, -500000}, TProfitCase{6, 0, -500000},
                                         TProfitCase{6, 3, 5000000 - 500000}, TProfitCase{8, 3, 5000000 - 28 * 500000},
                                         TProfitCase{8, -1, -28 * 500000}, TProfitCase{5, 2, 1000000 - 500000},
                                         TProfitCase{7, 6, 1000000000000 - 7 * 500000},
                                         TProfitCase{10, 4, -210 * 500000}));

class HelpTopic : public testing::TestWithParam<std::pair<const char*, const char*>> {};
TEST_P(HelpTopic, PageOfTheMethodInAnExistingHelpFile) {
    TTempDir dir;
    TRegistry reg;
    const int i = reg.Index(GetParam().first);
    EXPECT_EQ(reg.List.HelpTopic(i), "");
    reg.List.SetHelpFile(dir.File("zorb.chm"));
    EXPECT_EQ(reg.List.HelpTopic(i), "") << "the help file does not exist yet";
    WriteRaw(dir.File("zorb.chm"), "x");
    EXPECT_EQ(reg.List.HelpTopic(i), "ms-its:" + dir.File("zorb.chm") + GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Table, HelpTopic,
                         testing::Values(std::pair{"NUMS", "::/Filters_1049_NUMS.htm"},
                                         std::pair{"POS3", "::/Filters_1049_POSx.htm"},
                                         std::pair{"SUM2", "::/Filters_1049_SUM2.htm"},
                                         std::pair{"S2T3", "::/Filters_1049_S2T3.htm"}));

} // namespace
} // namespace zorb
