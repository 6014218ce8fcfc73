// The parameters of one spreadsheet export: the sheet's headings and page options and the list of fields (which
// columns, in which order, with which caption, alignment and width). They are remembered per exported control in
// an INI section "EXPORT_EXCEL_<FORM>.<CONTROL>" of the configuration file or of a parameter file (".exp").
#pragma once

#include <string>
#include <vector>

namespace zorb {

class TIniFile;

struct TExportField {
    int ColumnId = 0;          // the source column, 0-based; identifies the field together with PhysicalField
    std::string PhysicalField; // the column's caption as the source gives it
    std::string Caption;       // written as the table header
    bool Checked = true;
    int Alignment = 0; // 0 left, 1 right, 2 centre; anything else is exported as left
    std::string Width; // a number with two decimals; 10 when not a number
};

struct TExportParams {
    std::string Title, Notes, HeaderLine, SheetName;
    bool ShowCreateTime = true;
    int Orientation = 0; // 0 not set, 1 portrait, 2 landscape
    int BaseFontSize = 8;
    bool Remember = false; // RestoreParameters of the configuration file
    std::vector<TExportField> Fields;
};

constexpr int MinFontSize = 1, MaxFontSize = 100;
constexpr double MaxColumnWidth = 255;

std::string AlignmentText(int alignment); // "по левому краю", "по правому краю", "по центру"
std::string ExportSectionName(const std::string& form, const std::string& control);

// Width texts are written with "." and read with "." or ","; a text that is not a number reads as 10.
std::string FormatWidth(double width);
double ParseWidth(const std::string& text);
// The column width given to the sheet: the width, at most 255.
double SheetColumnWidth(const std::string& widthText);

// Removes '"', '\'', '*', '?', ':', turns '/' and '\' into '-', '[' into '(' and ']' into ')', keeps the first 31
// characters and trims surrounding spaces.
std::string CleanSheetName(const std::string& name);

// Checked fields before unchecked ones, each group keeping its order; `focus` (an index, -1 for none) follows the
// field it pointed at.
void ReorderFields(std::vector<TExportField>& fields, int& focus);
// Swaps the focused field with its neighbour (delta -1 or +1), then reorders; false when there is none.
bool MoveField(std::vector<TExportField>& fields, int& focus, int delta);

enum class TParamsMode { Configuration, File };
// Loads the section into `params`; fields are matched by column id and physical field. Values that cannot be used
// are skipped; each Item_i that fails while it is applied is reported through `badItems` (its position). The
// fields are reordered afterwards, also when nothing was loaded.
void LoadExportParams(const TIniFile& ini, const std::string& section, TParamsMode mode, TExportParams& params,
                      std::vector<int>* badItems = nullptr);
// Erases the section and writes it anew (RestoreParameters only in configuration mode); the caller saves the file.
void SaveExportParams(TIniFile& ini, const std::string& section, TParamsMode mode, const TExportParams& params);

// Rows of the sheet, 1-based: where the headings stand and the table header row H (data from H + 1).
struct TSheetLayout {
    int HeaderLineRow = 0; // 0: none
    int TitleRow = 1;
    int NotesRow = 0; // 0: none
    int TimeRow = 0;  // 0: none
    int TableHeaderRow = 3;
};
TSheetLayout SheetLayout(const TExportParams& params);

} // namespace zorb
