#include "scenarios/FileStakeSink.h"

#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/Translate.h"
#include "stakes/Stakes.h"
#include "stats/StatList.h"

namespace zorb {

bool CheckableStakesLeft(TStakesFile& file, const TDrawsArray& draws) {
    for (int64_t i = 0; i < file.Count(); ++i) {
        const TStakeRecord r = file.Read(i);
        if (!r.Checked && r.DrawNumber > 0 && r.Numbers.Count >= 6 && FindDraw(draws, r.DrawNumber) >= 0) return true;
    }
    return false;
}

void TFileStakeSink::Append(const TStakeRecord& record) {
    AppendStakes(FFile, record, 1);
}

bool TFileStakeSink::Find(int drawNumber, const TNumberSet& numbers) {
    return FindStake(FFile, drawNumber, numbers);
}

void TFileStakeSink::Separate() {
    AppendSeparatorAfterStake(FFile);
}

void TFileStakeSink::Check(bool) {
    const int64_t total = FFile.Count();
    if (CheckStakes(FFile, FRegistry.Draws(), FRegistry, {OnChecked, {}}, FSeen)) FFile.Sync();
    FSeen = total;
}

// What is already decided is checked before the file is cut, so no stake leaves unrated.
void TFileStakeSink::Clear() {
    Check(true);
    if (CheckableStakesLeft(FFile, FRegistry.Draws()))
        throw EZorbError(Tr("Ставки не удалены: не все ставки удалось проверить!"));
    FFile.Truncate();
    FFile.Sync();
    FSeen = 0;
}

} // namespace zorb
