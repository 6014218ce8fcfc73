#include "app/FilterDialog.h"

#include "core/KestoUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <algorithm>

namespace zorb {

TFilterItem FilterDialogStart(const TFilterItem& item, const TFilterDialogContext& ctx) {
    TFilterItem r;
    r.Method = ctx.CurrentMethod;
    r.Lengths = std::to_string(ctx.WindowLength);
    r.SortColumn = 1;
    r.LevelMode = 0;
    r.StopMode = 0;
    r.StopValue = 1;
    r.BottomUp = false;
    r.Keep = false;
    r.WeightCount = ctx.Weights.Count;
    r.WeightDeviation = ctx.Weights.Deviation;
    r.WeightLevel = ctx.Weights.Level;
    r.WeightPercents = ctx.Weights.UsePercents;
    r.WeightAbs = ctx.Weights.UseAbsValues;
    r.MethodText = item.MethodText;
    if (!item.Defined) return r;
    const bool listed = std::find(ctx.Methods.begin(), ctx.Methods.end(), item.Method) != ctx.Methods.end();
    r.Method = listed ? item.Method : (ctx.Methods.empty() ? -1 : ctx.Methods.front());
    if (!item.Lengths.empty()) r.Lengths = item.Lengths;
    if (!item.LevelValues.empty()) r.LevelValues = item.LevelValues;
    r.SortColumn = item.SortColumn;
    r.BottomUp = item.BottomUp;
    r.MultiSelect = item.MultiSelect;
    r.Keep = item.Keep;
    r.LevelMode = item.LevelMode;
    r.StopMode = item.StopMode;
    r.StopValue = item.StopValue;
    if (item.OwnWeights) {
        r.OwnWeights = true;
        r.WeightCount = item.WeightCount;
        r.WeightDeviation = item.WeightDeviation;
        r.WeightLevel = item.WeightLevel;
        r.WeightPercents = item.WeightPercents;
        r.WeightAbs = item.WeightAbs;
    }
    return r;
}

bool OwnWeightsAllowed(int levelMode) {
    return levelMode == lmWeightMin || levelMode == lmWeightMax || levelMode == lmWeightList;
}

TFilterCheck CheckFilterDialog(const TFilterItem& item, const TStatList& list) {
    const TIntArray lengths = ParseValueList(item.Lengths);
    if (lengths.empty() || (lengths.size() == 1 && lengths[0] == 0))
        return {TFilterField::Lengths, Tr("Введен некорректный диапазон значений!")};
    if (item.LevelMode != lmNone) {
        if (item.LevelMode == lmValues && (item.Method < 0 || item.Method >= list.MethodCount() ||
                                           !list.Method(item.Method).StatClass->HasTextValues))
            return {TFilterField::Method,
                    Tr("Для данного вида статистики не доступен режим выделения по списку значений!")};
        if (ParseValueList(item.LevelValues).empty())
            return {TFilterField::Values, Tr("Введен некорректный диапазон значений!")};
    }
    if (item.MultiSelect && (item.StopMode == smCombs || item.StopMode == smNumbers))
        return {TFilterField::Stop, Tr("В режиме мультивыделения остановка сценария по количеству комбинаций или чисел "
                                       "не может быть выполнена!\rВыберите другой способ останова.")};
    return {};
}

bool FilterFieldChar(char c) {
    return (c >= '0' && c <= '9') || c == ',' || c == '-' || c == ';';
}

} // namespace zorb
