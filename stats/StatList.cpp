#include "stats/StatList.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatsChannels.h"
#include "stats/StatsDifferences.h"
#include "stats/StatsNumbers.h"
#include "stats/StatsRepeats.h"
#include "stats/StatsSeries.h"
#include "stats/StatsTransitions.h"
#include "stats/Shredding.h"

#include <map>

namespace zorb {

namespace {

// Every method code in registry order. Families fill in their classes as they are built; the order never
// changes, so stored favourites, titles and scenarios keep meaning the same methods.
const char* const RegistryCodes[] = {
    "NUMS",  "DIGS",  "EVEN",  "EVNV",  "SMAL",  "SMLV",   "PRIM",   "PRMV",   "SUMS",   "SUM%d",  "SUMC",   "SUMV",
    "SUMT",  "SUME",  "SUMP",  "S2T3",  "DIFA",  "DIFM",   "DIFD",   "DIFO",   "DIFK",   "CHAN",   "CHNV",   "CHNC",
    "COLS",  "ROWS",  "COLV",  "ROWV",  "COLN",  "ROWN",   "COLM",   "ROWM",   "COLA",   "ROWA",   "COLC",   "ROWC",
    "SGMS",  "SGMV",  "SGMC",  "SEQL",  "SEQS",  "LENS",   "RPV2",   "RPV3",   "PRL2",   "PRV2O1", "PRV2O2", "PRV2O3",
    "PRV+1", "PRV-1", "PRV+2", "PRV-2", "RPC2",  "RPC3",   "PRB2",   "RPO1",   "PRC2O2", "PRC2O3", "PRC+1",  "PRC-1",
    "PRC+2", "PRC-2", "KNM2",  "KNM3",  "KNM4",  "KNS2",   "KNS3",   "KNS4",   "KNP2%d", "KNP3%d", "KNP4%d", "KNO2",
    "KNO3",  "KNO4",  "KDS2",  "KDS3",  "KDS4",  "KCM2",   "KCM3",   "KCM4",   "KCS2",   "KCS3",   "KCS4",   "KFM2",
    "KFM3",  "KFM4",  "KFS2",  "KFS3",  "KFS4",  "KRM2",   "KRM3",   "KRM4",   "KRS2",   "KRS3",   "KRS4",   "KGM2",
    "KGM3",  "KGM4",  "KGS2",  "KGS3",  "KGS4",  "POS%d",  "POE%d",  "CHN%d",  "COL%d",  "ROW%d",  "SGM%d",  "GRPV",
    "GRPP",  "GRCV",  "GRCP",  "GRSV",  "GRSP",  "PRDV",   "PRDC",   "PRDG",   "SDV2",   "SDP2",   "SDN%d",  "SDP3",
    "SDM%d", "SCV2",  "SCP2",  "SCN%d", "SCP3",  "SCM%d",  "SC2C%d", "SC3C%d", "SDA2",   "SDG2",   "SDZ2",   "SDC2",
    "SSV2",  "SSP2",  "SSN%d", "SSP3",  "SSM%d", "SS2C%d", "SS3C%d", "HCO1",   "HCO2",   "HCO3",   "SHR%d",
};
static_assert(std::size(RegistryCodes) == 143);

struct TGroupInfo {
    const char* Abbrev;
    const char* Caption;
};
const TGroupInfo Groups[GroupCount] = {
    {"num", "Числа тиража"},
    {"sum", "Сумма чисел тиража"},
    {"dif", "Разности между числами тиража"},
    {"grp", "Каналы (группы чисел)"},
    {"mtx", "Матрица тиража"},
    {"sgm", "Сегменты матрицы тиража"},
    {"seq", "Последовательности чисел в одном тираже"},
    {"rep", "Повторяющиеся числа в нескольких тиражах"},
    {"ser", "Серии (цепочки) значений"},
    {"per", "Периоды повторения значений"},
    {"mov", "Переходы (изменения) значений между тиражами"},
    {"ogn", "Характеристическое число Огнева"},
    {"shr", "Методы шинковки"},
};

} // namespace

const std::vector<TRegistrySlot>& RegistryTable() {
    static const std::vector<TRegistrySlot> table = [] {
        std::map<std::string, const TStatClass*> built;
        for (const TStatClass* c : NumberSumClasses()) built[c->Code] = c;
        for (const TStatClass* c : ChannelMatrixClasses()) built[c->Code] = c;
        for (const TStatClass* c : DifferenceClasses()) built[c->Code] = c;
        for (const TStatClass* c : RepeatClasses()) built[c->Code] = c;
        for (const TStatClass* c : SeriesClasses()) built[c->Code] = c;
        for (const TStatClass* c : TransitionClasses()) built[c->Code] = c;
        for (const TStatClass* c : ShreddingClasses()) built[c->Code] = c;
        std::vector<TRegistrySlot> t;
        for (const char* code : RegistryCodes) {
            auto it = built.find(code);
            t.push_back({code, it == built.end() ? nullptr : it->second});
        }
        return t;
    }();
    return table;
}

std::string GroupAbbrev(int group) {
    return group >= 0 && group < GroupCount ? Groups[group].Abbrev : "";
}

std::string GroupCaption(int group) {
    if (group < 0 || group >= GroupCount) return "#ERROR#";
    return Format("{ %1:s } %0:s", Tr(Groups[group].Caption), Groups[group].Abbrev);
}

TStatList::TStatList() : FDraws(&FNoDraws) {}

Currency TStatList::StakeProfit(int numbersCount, int matches) const {
    Currency result = -Binomial(numbersCount, NumbersPerDraw) * Config.Cost;
    if (matches >= 0)
        for (const TProfitEntry& e : Config.Profits)
            if (e.Overlap == matches) {
                result += e.Profit;
                break;
            }
    return result;
}

void TStatList::BuildMethods() {
    Ordered = false;
    ShowGroupName = true;
    ShowMethodFlags = true;
    ShowAll = true;
    FItems.clear();
    for (const TRegistrySlot& slot : RegistryTable()) {
        const TStatClass* c = slot.Class;
        if (!c || !c->Available) continue;
        int lo = 0, hi = 0;
        if (c->HasParam) {
            if (c->ParamRange) c->ParamRange(*this, lo, hi);
        }
        for (int p = lo; p <= hi; ++p) {
            TStatMethod m;
            m.StatClass = c;
            m.Param = c->HasParam ? p : 0;
            if (c->Group == 12 && m.Param >= 1 && m.Param <= 3) m.Formula = Shredding.Formulas[m.Param - 1];
            FItems.push_back(std::move(m));
            if (!c->HasParam) break;
        }
    }
}

std::string TStatList::EntryName(int i) const {
    const TStatMethod& m = Method(i);
    return m.Title.empty() ? m.StatClass->CaptionOf(m.Param) : m.Title;
}

std::string TStatList::DisplayName(int i, bool withFlags) const {
    const TStatMethod& m = Method(i);
    std::string name = EntryName(i);
    if (m.StatClass->Group == 12) {
        try {
            name = Format(name, m.Formula);
        } catch (const EZorbError&) {
            // A user's title with a stray "%" stays as typed.
        }
    }
    if (ShowGroupName) name = Format("{ %1:s } %0:s", name, GroupAbbrev(m.StatClass->Group));
    if (withFlags && ShowMethodFlags) {
        std::string letters = FlagLetters(m.StatClass->FullFlags());
        if (!letters.empty()) name = Format("%0:s [ %1:s ]", name, letters);
    }
    return name;
}

int TStatList::FindByCode(const std::string& code) const {
    for (int i = 0; i < MethodCount(); ++i)
        if (SameText(CodeOf(i), code)) return i;
    return -1;
}

std::unique_ptr<TCustomStat> TStatList::CreateStat(int i) {
    const TStatMethod& m = Method(i);
    return m.StatClass->Create(*this, m.Param);
}

std::unique_ptr<TCustomStat> TStatList::CreateSelectedStat(int i, const std::string& listName) {
    if (i < 0 || i >= MethodCount()) throw EZorbError(Format(Tr("Не выбран метод расчета статистики (cb: %s)!"), listName));
    return CreateStat(i);
}

void TStatList::ShowAllMethods() {
    ShowAll = true;
    for (TStatMethod& m : FItems) m.Favorite = true;
}

void TStatList::NormalizeFavorites() {
    bool allSame = true;
    for (const TStatMethod& m : FItems)
        if (m.Favorite != FItems.front().Favorite) allSame = false;
    if (FItems.empty() || allSame) {
        bool value = FItems.empty() || FItems.front().Favorite;
        ShowAll = true;
        if (!value)
            for (TStatMethod& m : FItems) m.Favorite = true;
    } else {
        ShowAll = false;
    }
}

std::string TStatList::FavoritesText() const {
    if (ShowAll) return "";
    std::vector<std::string> codes;
    for (int i = 0; i < MethodCount(); ++i)
        if (Method(i).Favorite) codes.push_back(CodeOf(i));
    return Join(codes, ",");
}

void TStatList::SetFavoritesText(const std::string& text) {
    if (Trim(text).empty()) {
        ShowAllMethods();
        return;
    }
    ShowAll = false;
    std::vector<std::string> words = SplitKeepEmpty(text, ',');
    for (std::string& w : words) w = LowerCase(Trim(w));
    for (int i = 0; i < MethodCount(); ++i) {
        std::string code = LowerCase(CodeOf(i));
        bool found = false;
        for (const std::string& w : words) found = found || w == code;
        FItems[static_cast<size_t>(i)].Favorite = found;
    }
}

void TStatList::LoadNames(const std::string& fileName, bool withOptions) {
    TIniFile ini(fileName);
    ini.Load();
    if (withOptions) {
        SetFavoritesText(ini.ReadString("FILTERS", "Favorites", FavoritesText()));
        Ordered = ini.ReadBool("FILTERS", "Ordered", Ordered);
        ShowGroupName = ini.ReadBool("FILTERS", "ShowGroupName", ShowGroupName);
        ShowMethodFlags = ini.ReadBool("FILTERS", "ShowMethodFlags", ShowMethodFlags);
    }
    const std::string section = StringsSection();
    for (int i = 0; i < MethodCount(); ++i)
        FItems[static_cast<size_t>(i)].Title = Trim(ini.ReadString(section, CodeOf(i), ""));
}

void TStatList::SaveNames(const std::string& fileName, bool withOptions, bool allNames) const {
    TIniFile ini(fileName);
    ini.Load();
    if (withOptions) {
        ini.WriteString("FILTERS", "Favorites", FavoritesText());
        ini.WriteBool("FILTERS", "Ordered", Ordered);
        ini.WriteBool("FILTERS", "ShowGroupName", ShowGroupName);
        ini.WriteBool("FILTERS", "ShowMethodFlags", ShowMethodFlags);
    }
    const std::string section = StringsSection();
    ini.EraseSection(section);
    for (int i = 0; i < MethodCount(); ++i) {
        if (allNames)
            ini.WriteString(section, CodeOf(i), EntryName(i));
        else if (!Method(i).Title.empty())
            ini.WriteString(section, CodeOf(i), Method(i).Title);
    }
    ini.Save();
}

} // namespace zorb
