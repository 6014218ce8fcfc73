// Operations on the stakes file: appending single stakes and series, finding, checking against the archive
// with prizes and profits, deleting through a replacement file, and the stake logs.
#pragma once

#include "stakes/StakesFile.h"

#include <functional>
#include <string>

namespace zorb {

class TStatList;

// Appends the record, or for drawCount >= 2 a series of copies for consecutive draws with a separator before
// each copy that follows a stake; raises on failure (whole copies already written stay) and, before writing
// anything, when the disk has no room for the series and the free-space margin.
void AppendStakes(TStakesFile& file, const TStakeRecord& record, int drawCount);
// Closes a group: appends a separator when the last record is a stake.
void AppendSeparatorAfterStake(TStakesFile& file);
// The first record for this draw with the same numbers (as a set); kind and check state are not looked at.
bool FindStake(TStakesFile& file, int drawNumber, const TNumberSet& numbers);

struct TCheckCallbacks {
    std::function<void(const TStakeRecord&)> OnChecked; // every newly checked stake, in file order
    std::function<void(double)> Progress;               // percentage done, at most once per percent
};
// Checks every unchecked stake whose draw is in the archive, from record `from` on (a caller that has checked the
// records before against the same archive need not read them again); true when at least one was checked.
bool CheckStakes(TStakesFile& file, const TDrawsArray& draws, const TStatList& stats, const TCheckCallbacks& cb,
                 int64_t from = 0);

// Rewrites the file with the records `keep` accepts: the kept records go to `tmpPath`, which then replaces the
// stakes file in one rename, so there is never a moment without a stakes file. The file is open again after.
void RewriteStakes(TStakesFile& file, const std::string& tmpPath,
                   const std::function<bool(int64_t index, const TStakeRecord&)>& keep);
// Whether DeleteStakesByMatches drops a stake with this match count (-1 when unchecked).
bool DropsByMatches(int condition, int value, int matchedCount);
const char* MatchConditionCaption(int condition); // "Равно [ = ]", ...
constexpr int MatchConditionCount = 5;

// One line of a stake log, without the line break.
std::string StakeLogLine(const TStakeRecord& record, const std::string& timestamp);
std::string StakeLogPath(const std::string& dir, const std::string& programName, int matches);
// Appends the line to a stake log, starting the log afresh beyond 256 MiB; raises when the line cannot be
// written, and returns the message of a log that could not be started afresh (the line is appended anyway).
std::string AppendStakeLog(const std::string& path, const std::string& line);

} // namespace zorb
