// Downloaded systems: the files "Systems/6-NN-B_IIII.dat", their lines of positions, the normalisation and
// checks of the system dialog, and the expansion of a system over chosen numbers.
#pragma once

#include "core/KestoUtils.h"
#include "online/OnlineClient.h"

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

// "%d-%.2d-%d_%.4d.dat" of 6, nums, olap and id.
std::string SystemFileName(int nums, int olap, int id);
// The downloaded system file for n numbers (the first by name), empty when there is none.
std::string FindSystemFile(const std::string& systemsDir, int n);
// Every system file for n numbers.
std::vector<std::string> SystemFilesFor(const std::string& systemsDir, int n);

// Six decimal positions at the separators of a system line (runs count as one); false otherwise.
bool ParseSystemLine(std::string_view line, TComb& positions);
// The text's lines (LF or CR LF; a last line break adds no line).
std::vector<std::string> SystemTextLines(std::string_view text);
// Lines of six distinct positions 1..n; raises EZorbError naming the first bad line.
std::vector<TComb> ParseSystemLines(const std::vector<std::string>& lines, int n);

// Writes a downloaded system: the lines must be CSize lines of six distinct positions 1..Nums, else nothing is
// written. CR LF lines, last-write time = Created; every other file of the same Nums is removed. The path.
std::string WriteSystemFile(const std::string& systemsDir, const tSystemInfo& info, const std::string& text);

struct TSystemLoad {
    bool Ok = false;
    std::string FileName; // full path on success
    std::string Failure;  // the short text for logs
    std::string Message;  // the message box text
    std::vector<TComb> Combs;
};
// The system for numbers.size() numbers expanded over them: position i takes numbers[i - 1], in file order.
TSystemLoad LoadSystemCombinations(const std::string& systemsDir, const TByteArray& numbers);

// The dialog's normalisation: from the last line to the first, six-position lines become "%.2d" values joined
// by single spaces, other lines go. nums = the largest position (0 without lines), csize = the line count.
std::string NormaliseSystemText(std::string_view text, int& nums, int& csize);
// The dialog's checks on OK, in order; the first failing message, empty when all pass. nums and olap as typed.
std::string CheckSystemData(const tSystemData& data, const std::string& numsText, const std::string& olapText);

} // namespace zorb
