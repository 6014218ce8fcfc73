// Writing a list as its view shows it to an .xlsx workbook (libxlsxwriter) or a CSV file. The engine knows
// nothing of draws or stakes: it takes column captions and cell texts from a source and the sheet's layout from
// the export parameters.
//
// Rows stream in libxlsxwriter's constant-memory mode, so memory does not grow with the row count; a list longer
// than a sheet continues on further sheets, each with the headings and the table header again. The file is
// written beside the target and renamed over it at the end: a cancel or an error leaves an older file intact.
#pragma once

#include "export/ExportParams.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorb {

// A list or grid as it is shown: the texts of its header and of its cells.
class TExportSource {
public:
    virtual ~TExportSource() = default;
    virtual int ColumnCount() const = 0;
    virtual std::string ColumnCaption(int column) const = 0;
    virtual int ColumnAlignment(int /*column*/) const { return 0; }
    virtual int64_t RowCount() const = 0;
    virtual std::string CellText(int64_t row, int column) const = 0;
};

// Which source rows are written, in order; a row index outside the source gives an empty row (a selection mode
// with nothing selected still exports one row).
struct TExportRows {
    int64_t Count = 0;
    std::function<int64_t(int64_t k)> Row; // empty: row k
};
TExportRows AllRows(const TExportSource& source);

// One field per source column, every one checked, with the column's caption, alignment and width (pixels / 8).
std::vector<TExportField> BuildFields(const TExportSource& source, const std::vector<int>& widthPixels);

// Check points of a long export. Text and Step may be empty; Stop returns true to cancel (a cancel request of
// core/Cancel.h cancels too). A cancelled export raises EExportCancelled.
struct TExportProgress {
    std::function<void(const std::string&)> Text;
    std::function<void(int64_t steps)> Step;
    std::function<bool()> Stop;
};

struct EExportCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

// Data rows a sheet holds below the headings and the table header.
int64_t RowsPerSheet(const TExportParams& params);
int SheetCount(const TExportParams& params, int64_t rows);
// The name of sheet `index` (0-based) of an export whose cleaned name is `base`: "<base>", "<base> (2)", ... with the
// base cut so that the name keeps 31 characters.
std::string SheetNameAt(const std::string& base, int index);

// A text the sheet takes as a number: optional "-", digits without a leading zero, optional "." and decimals,
// at most 15 significant digits. `decimals` gets the number of digits after the point.
bool PlainNumber(const std::string& text, double& value, int& decimals);

// "Отчет построен: %s." with the local date and time.
std::string CreationTimeText();

// Raise EZorbError on a write error (the target is left as it was).
void WriteXlsx(const std::string& path, const TExportParams& params, const TExportSource& source,
               const TExportRows& rows, const TExportProgress& progress = {});
// The table header and the rows of the checked fields, ";"-separated, fields with ";", quotes or line breaks
// quoted, UTF-8, CR LF line ends.
void WriteCsv(const std::string& path, const TExportParams& params, const TExportSource& source,
              const TExportRows& rows, const TExportProgress& progress = {});

} // namespace zorb
