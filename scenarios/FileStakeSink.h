// A run's stakes straight into a stakes file, checked against the archive the run reads: what the command line's
// tests and the benchmarks need without a window. The window's sink adds its views, ratings and logs around the
// same operations.
#pragma once

#include "scenarios/ScenarioRun.h"
#include "stakes/StakesFile.h"

#include <functional>

namespace zorb {

// Whether some stake is still unchecked although its draw is in the archive (a check failed on it).
bool CheckableStakesLeft(TStakesFile& file, const TDrawsArray& draws);

class TFileStakeSink final : public TStakeSink {
public:
    TFileStakeSink(TStakesFile& file, const TStatList& registry) : FFile(file), FRegistry(registry) {}
    std::function<void(const TStakeRecord&)> OnChecked; // every stake a check decides

    bool IsOpen() override { return FFile.IsOpen(); }
    int64_t Count() override { return FFile.Count(); }
    void Append(const TStakeRecord& record) override;
    bool Find(int drawNumber, const TNumberSet& numbers) override;
    void Separate() override;
    void Check(bool now) override;
    void Clear() override;

private:
    TStakesFile& FFile;
    const TStatList& FRegistry;
    int64_t FSeen = 0; // records checked against the run's archive: every later check starts after them
};

} // namespace zorb
