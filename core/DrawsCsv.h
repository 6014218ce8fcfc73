// Draws in CSV form: the field splitting every CSV line goes through, the import file (7 or 8 fields), the
// export file, and the operator's range files of results.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

// ";"-separated fields; a quoted field may hold ";" and doubled quotes; an unquoted field ends at ";" or at any
// character up to the space; a ";" that ends the line adds an empty field.
std::vector<std::string> SplitCsvFields(std::string_view line);

// Six distinct numbers 1..52: what the rest of the program can work with.
bool PlainDrawNumbers(const TDrawRec& draw);

struct TCsvReadStats {
    int Added = 0;
    int Duplicates = 0; // draw numbers already in the archive
    int BadNumbers = 0; // lines whose numbers are not six distinct values 1..52
};

// Appends the draws of an import file whose numbers are new to the archive (7 fields: date and numbers, numbered
// after the last draw; 8 fields: number, date and numbers); other lines are ignored.
TCsvReadStats ImportDrawsText(std::string_view text, TDrawsArray& draws);
// One line per draw, oldest first: number;"date";n1;...;n6 with CR LF.
std::string ExportDrawsText(const TDrawsArray& draws);

// An operator range file "<prefix><first>-<last>.csv": its first and last draw numbers (0 when unreadable).
bool RangeOfFileName(const std::string& fileName, const std::string& prefix, int& first, int& last);
// The draws of a range file from `next` on, newest first as the file lists them; lines with fewer than 10 fields
// are skipped and reading stops at the first draw below `next`. Lines with unusable numbers are counted.
std::vector<TDrawRec> ReadRangeFile(std::string_view text, int next, int& badNumbers);
// The same, read from a file as a stream: a range file may be large, and only its lines are held.
std::vector<TDrawRec> ReadRangeFileAt(const std::string& path, int next, int& badNumbers);

} // namespace zorb
