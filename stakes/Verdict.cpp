#include "stakes/Verdict.h"

#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace zorb {

namespace {

std::string Money(double v) {
    return Format("%.2f", v);
}

std::string VerdictWord(const TRatingExpectation& e, TVerdictMark& mark) {
    mark = TVerdictMark::None;
    if (!e.SizesKnown) return "";
    if (FewData(e)) {
        mark = TVerdictMark::FewData;
        return Tr("мало данных");
    }
    if (Significant(e)) {
        mark = TVerdictMark::Better;
        return Tr("лучше случайной игры");
    }
    return Tr("в пределах случайности");
}

// Stakes, matches, expected matches, profit, expected profit, p-value: the columns both tables share.
std::vector<std::string> RecordCells(const TVerdictEntry& v) {
    const TRatingRecord& r = v.Stakes;
    const TRatingExpectation& e = v.Expected;
    return {std::to_string(r.StakeCount),
            std::to_string(r.MatchTotal),
            e.SizesKnown ? Format("%.2f", e.Matches) : "",
            Money(CurrencyToDouble(r.Profit)),
            e.SizesKnown ? Money(e.Profit) : "",
            e.SizesKnown ? Format("%.4g", e.PValue) : ""};
}

std::vector<std::string> SharedCaptions() {
    return {Tr("Ставок"), Tr("Угадано"), Tr("Ож. угадано"), Tr("Профит"), Tr("Ож. профит"), Tr("p-значение")};
}

} // namespace

TVerdictBuilder::TVerdictBuilder(int heldOutOffsets, int32_t heldOutFirstDraw)
    : FOffsets(std::max(heldOutOffsets, 0)), FFirstDraw(heldOutFirstDraw) {}

void TVerdictBuilder::Add(const TStakeRecord& stake) {
    if (stake.IsSeparator() || !FAll.AddStake(stake)) return;
    if (FOffsets > 0) (stake.DrawNumber >= FFirstDraw ? FHeld : FBefore).AddStake(stake);
}

void TVerdictBuilder::AddRange(TStakesFile& file, int64_t first, int64_t end) {
    end = std::min(end, file.Count());
    for (int64_t i = std::max<int64_t>(first, 0); i < end; ++i) Add(file.Read(i));
}

TVerdict TVerdictBuilder::Finish(const TStakeProfitFn& profit) const {
    TVerdict v;
    const std::vector<TRatingExpectation> all = ExpectRatings(FAll.Items(), profit);
    for (size_t i = 0; i < all.size(); ++i) v.Entries.push_back({FAll.Items()[i], all[i]});
    if (FOffsets <= 0) return v;

    THeldOutCheck h;
    h.Offsets = FOffsets;
    h.FirstDraw = FFirstDraw;
    // The best entry before the held-out draws is the one random play explains worst there: the smallest p-value,
    // then the larger excess of matches, then the first staked.
    const auto& before = FBefore.Items();
    const std::vector<TRatingExpectation> ranked = ExpectRatings(before, profit);
    std::optional<size_t> best;
    for (size_t i = 0; i < before.size(); ++i) {
        if (!ranked[i].SizesKnown) continue;
        if (!best) {
            best = i;
            continue;
        }
        const TRatingExpectation& a = ranked[i];
        const TRatingExpectation& b = ranked[*best];
        const double excessA = before[i].MatchTotal - a.Matches, excessB = before[*best].MatchTotal - b.Matches;
        if (a.PValue < b.PValue || (a.PValue == b.PValue && excessA > excessB)) best = i;
    }
    if (best) {
        h.Chosen = true;
        h.Before = {before[*best], ranked[*best]};
        const std::string key = LowerCase(before[*best].Comment);
        h.HeldOut.Stakes.Comment = before[*best].Comment;
        for (const TRatingRecord& r : FHeld.Items())
            if (LowerCase(r.Comment) == key) h.HeldOut = {r, ExpectRating(r, profit)};
    }
    v.HeldOut = h;
    return v;
}

TVerdictTable VerdictTable(const TVerdict& verdict) {
    TVerdictTable t;
    std::vector<std::string> head{Tr("Комментарий")};
    for (std::string& c : SharedCaptions()) head.push_back(std::move(c));
    for (const char* c : {"p с поправкой", "Расчет", "Вывод"}) head.push_back(Tr(c));
    t.Summary.push_back(head);
    for (const TVerdictEntry& v : verdict.Entries) {
        std::vector<std::string> row{v.Stakes.Comment};
        for (std::string& c : RecordCells(v)) row.push_back(std::move(c));
        row.push_back(v.Expected.SizesKnown ? Format("%.4g", v.Expected.CorrectedPValue) : "");
        row.push_back(v.Expected.SizesKnown ? PValueMethodText(v.Expected) : "");
        TVerdictMark mark;
        row.push_back(VerdictWord(v.Expected, mark));
        t.Summary.push_back(std::move(row));
        t.Marks.push_back(mark);
    }
    t.Notes.push_back(Format(Tr("Сравнивалось строк рейтинга: %d. p-значение - вероятность угадать не меньше номеров "
                                "случайной игрой ставками тех же размеров на те же тиражи; p с поправкой (метод "
                                "Холма) учитывает, что сравнивались все эти строки."),
                             static_cast<int>(verdict.Entries.size())));
    t.Notes.push_back(Tr("«лучше случайной игры» - p с поправкой ниже 0,05; «мало данных» - случайная игра угадала бы "
                         "меньше 10 номеров."));
    if (!verdict.HeldOut) return t;

    const THeldOutCheck& h = *verdict.HeldOut;
    if (!h.Chosen) {
        t.HeldOutTitle =
            Format(Tr("Проверка на последних %d смещениях: до них нет ставок, выбирать не из чего."), h.Offsets);
        return t;
    }
    t.HeldOutTitle = Format(Tr("Проверка на последних %d смещениях (с тиража %d): лучшая до них строка - «%s»"),
                            h.Offsets, h.FirstDraw, h.Before.Stakes.Comment);
    std::vector<std::string> heldHead{Tr("Тиражи")};
    for (std::string& c : SharedCaptions()) heldHead.push_back(std::move(c));
    for (const char* c : {"Расчет", "Вывод"}) heldHead.push_back(Tr(c));
    t.HeldOut.push_back(heldHead);

    std::vector<std::string> before{Format(Tr("до тиража %d"), h.FirstDraw)};
    for (std::string& c : RecordCells(h.Before)) before.push_back(std::move(c));
    before.push_back(PValueMethodText(h.Before.Expected));
    before.push_back(Tr("выбрана по ним"));
    t.HeldOut.push_back(std::move(before));
    t.HeldOutMarks.push_back(TVerdictMark::None);

    std::vector<std::string> held{Format(Tr("с тиража %d"), h.FirstDraw)};
    TVerdictMark mark = TVerdictMark::None;
    if (h.HeldOut.Stakes.StakeCount <= 0) {
        held.insert(held.end(), {"0", "0", "", "", "", "", "", Tr("нет ставок")});
    } else {
        for (std::string& c : RecordCells(h.HeldOut)) held.push_back(std::move(c));
        held.push_back(PValueMethodText(h.HeldOut.Expected));
        held.push_back(VerdictWord(h.HeldOut.Expected, mark));
    }
    t.HeldOut.push_back(std::move(held));
    t.HeldOutMarks.push_back(mark);
    t.HeldOutNotes.push_back(Tr("На тиражах выбора p-значение занижено самим выбором лучшей строки; честный ответ дают "
                                "отложенные тиражи, где строку никто не выбирал."));
    return t;
}

std::string VerdictText(const TVerdictTable& t) {
    std::string out;
    auto rows = [&out](const std::vector<std::vector<std::string>>& table) {
        for (const auto& row : table) out += Join(row, "\t") + "\r\n";
    };
    auto lines = [&out](const std::vector<std::string>& notes) {
        for (const std::string& n : notes) out += n + "\r\n";
    };
    rows(t.Summary);
    lines(t.Notes);
    if (!t.HeldOutTitle.empty()) {
        out += "\r\n" + t.HeldOutTitle + "\r\n";
        rows(t.HeldOut);
        lines(t.HeldOutNotes);
    }
    return out;
}

std::vector<std::vector<TLuckPoint>> LuckOfComments(TStakesFile& file, const std::vector<std::string>& comments) {
    std::vector<std::string> keys;
    for (const std::string& c : comments) keys.push_back(LowerCase(c));
    struct TDrawSum {
        double Excess = 0, Variance = 0;
    };
    std::vector<std::map<int32_t, TDrawSum>> byDraw(comments.size());
    const int64_t count = file.Count();
    for (int64_t i = 0; i < count; ++i) {
        const TStakeRecord r = file.Read(i);
        const int n = r.Numbers.Count, m = r.Matched.Count;
        if (r.DrawNumber <= 0 || !r.Checked || m < 0 || m > NumbersPerDraw || n < MinStakeSize || n > MaxStakeNumbers)
            continue;
        const std::string key = LowerCase(r.Comment);
        for (size_t k = 0; k < keys.size(); ++k)
            if (keys[k] == key) {
                TDrawSum& s = byDraw[k][r.DrawNumber];
                s.Excess += m - StakeMatchMean(n);
                s.Variance += StakeMatchVariance(n);
                break;
            }
    }
    std::vector<std::vector<TLuckPoint>> series(comments.size());
    for (size_t k = 0; k < byDraw.size(); ++k) {
        double excess = 0, variance = 0;
        for (const auto& [draw, s] : byDraw[k]) {
            excess += s.Excess;
            variance += s.Variance;
            series[k].push_back({draw, excess, 2 * std::sqrt(variance)});
        }
    }
    return series;
}

} // namespace zorb
