// The verdict after a test: every rating entry the run's stakes fed, against random play of the same stake sizes
// on the same draws, with its p-value corrected for the number of entries compared (Holm's method); the held-out
// check, which picks the entry that looked best before the last H offsets and judges it on those offsets alone;
// and the running "luck" of an entry, its matches minus random play's, draw by draw.
//
// The builder counts stakes as the ratings do, so a run of any size costs one pass over its stakes and three
// small tables of entries; the p-values are then one convolution per entry (see ExpectRatings).
#pragma once

#include "stakes/Ratings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

struct TVerdictEntry {
    TRatingRecord Stakes; // the stakes counted, as a rating entry counts them
    TRatingExpectation Expected;
};

struct THeldOutCheck {
    int Offsets = 0;       // the last H offsets of the test
    int32_t FirstDraw = 0; // stakes on this draw number and later are held out
    bool Chosen = false;   // some entry staked before the held-out draws and could be chosen
    TVerdictEntry Before;  // the chosen entry on the draws it was chosen on
    TVerdictEntry HeldOut; // the same entry on the held-out draws; no stakes when it made none there
};

struct TVerdict {
    std::vector<TVerdictEntry> Entries; // in the order the run first staked them
    std::optional<THeldOutCheck> HeldOut;
};

class TVerdictBuilder {
public:
    // Without a held-out check heldOutOffsets is 0; else stakes on draws numbered heldOutFirstDraw or later are
    // held out.
    explicit TVerdictBuilder(int heldOutOffsets = 0, int32_t heldOutFirstDraw = 0);
    // Only checked stakes count; separators and unchecked stakes are no result.
    void Add(const TStakeRecord& stake);
    // The records [first, end) of the file, clipped to it.
    void AddRange(TStakesFile& file, int64_t first, int64_t end);
    bool Empty() const { return FAll.Empty(); }
    TVerdict Finish(const TStakeProfitFn& profit) const;

private:
    int FOffsets;
    int32_t FFirstDraw;
    TRatings FAll, FBefore, FHeld;
};

// --- The verdict as text: the same for the window and the command line ---------------------------------

enum class TVerdictMark { None, Better, FewData };

struct TVerdictTable {
    std::vector<std::vector<std::string>> Summary; // header, then a row per entry
    std::vector<TVerdictMark> Marks;               // per entry row
    std::vector<std::string> Notes;                // lines under the summary
    std::string HeldOutTitle;                      // empty without a held-out check
    std::vector<std::vector<std::string>> HeldOut; // header, then the chosen entry before and on the held-out draws
    std::vector<TVerdictMark> HeldOutMarks;        // per held-out row
    std::vector<std::string> HeldOutNotes;
};
TVerdictTable VerdictTable(const TVerdict& verdict);
// Tab-separated lines (CR LF) for the clipboard: a spreadsheet takes them as cells.
std::string VerdictText(const TVerdictTable& table);

// --- Luck --------------------------------------------------------------------------------------------------

struct TLuckPoint {
    int32_t Draw;
    double Excess; // matched minus expected under random play, summed up to this draw
    double Band;   // two standard deviations of that sum under random play
};
// Per comment (letter case ignored), over the checked stakes of the file in draw-number order.
std::vector<std::vector<TLuckPoint>> LuckOfComments(TStakesFile& file, const std::vector<std::string>& comments);

} // namespace zorb
