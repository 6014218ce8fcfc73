#include "export/ExcelExport.h"

#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace zorb {

namespace {

constexpr int64_t CheckEvery = 4096; // rows between check points
constexpr int MaxDecimals = 15;

// Chosen fields in list order.
std::vector<const TExportField*> CheckedFields(const TExportParams& p) {
    std::vector<const TExportField*> r;
    for (const TExportField& f : p.Fields)
        if (f.Checked) r.push_back(&f);
    return r;
}

int64_t SourceRow(const TExportRows& rows, int64_t k) {
    return rows.Row ? rows.Row(k) : k;
}

void CheckPoint(const TExportProgress& progress, int64_t steps) {
    if (progress.Step && steps > 0) progress.Step(steps);
    if (CancelRequested() || (progress.Stop && progress.Stop())) throw EExportCancelled();
}

// A temporary file beside the target; removed unless handed over by rename.
class TTempBeside {
public:
    explicit TTempBeside(const std::string& target)
        : FTarget(target), FPath(JoinPath(ExtractFileDir(AbsolutePath(target)),
                                          "." + ExtractFileName(target) + Format(".part%d", CurrentProcessId()))) {}
    ~TTempBeside() {
        if (!FPath.empty()) std::remove(FPath.c_str());
    }
    TTempBeside(const TTempBeside&) = delete;
    TTempBeside& operator=(const TTempBeside&) = delete;
    const std::string& Path() const { return FPath; }
    void Commit() {
        const int fd = ::open(FPath.c_str(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        if (std::rename(FPath.c_str(), FTarget.c_str()) != 0)
            throw EZorbError(Format("%s: %s", FTarget, SystemErrorText(errno)));
        FPath.clear();
    }

private:
    std::string FTarget, FPath;
};

uint8_t LxwAlign(int alignment) {
    switch (alignment) {
    case 1: return LXW_ALIGN_RIGHT;
    case 2: return LXW_ALIGN_CENTER;
    default: return LXW_ALIGN_LEFT;
    }
}

class TXlsxBook {
public:
    TXlsxBook(const std::string& path, bool zip64) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
        FBook = workbook_new_opt(path.c_str(), &options);
        if (!FBook) throw EZorbError(Format(Tr("Невозможно создать файл \"%s\"!"), path));
    }
    ~TXlsxBook() {
        if (FBook) lxw_workbook_free(FBook);
    }
    TXlsxBook(const TXlsxBook&) = delete;
    TXlsxBook& operator=(const TXlsxBook&) = delete;
    lxw_workbook* Book() { return FBook; }
    void Close() {
        lxw_workbook* book = FBook;
        FBook = nullptr;
        const lxw_error e = workbook_close(book);
        if (e != LXW_NO_ERROR) throw EZorbError(lxw_strerror(e));
    }
    lxw_format* NewFormat(double size) {
        lxw_format* f = workbook_add_format(FBook);
        format_set_font_size(f, size);
        return f;
    }

private:
    lxw_workbook* FBook = nullptr;
};

// Data cell formats by alignment and number of decimals (-1: text), made as they are first needed.
class TDataFormats {
public:
    TDataFormats(TXlsxBook& book, double size) : FBook(book), FSize(size) { FFormats.fill(nullptr); }
    lxw_format* Get(int alignment, int decimals) {
        const int a = alignment == 1 || alignment == 2 ? alignment : 0;
        lxw_format*& f = FFormats[a * (MaxDecimals + 2) + decimals + 1];
        if (!f) {
            f = FBook.NewFormat(FSize);
            format_set_align(f, LxwAlign(a));
            format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
            format_set_border(f, LXW_BORDER_THIN);
            if (decimals >= 0) format_set_num_format(f, decimals ? ("0." + std::string(decimals, '0')).c_str() : "0");
        }
        return f;
    }

private:
    TXlsxBook& FBook;
    double FSize;
    std::array<lxw_format*, 3 * (MaxDecimals + 2)> FFormats;
};

void Check(lxw_error e) {
    if (e != LXW_NO_ERROR) throw EZorbError(lxw_strerror(e));
}

} // namespace

TExportRows AllRows(const TExportSource& source) {
    return {source.RowCount(), {}};
}

std::vector<TExportField> BuildFields(const TExportSource& source, const std::vector<int>& widthPixels) {
    std::vector<TExportField> fields;
    for (int c = 0; c < source.ColumnCount(); ++c) {
        TExportField f;
        f.ColumnId = c;
        f.PhysicalField = source.ColumnCaption(c);
        f.Caption = f.PhysicalField;
        f.Alignment = source.ColumnAlignment(c);
        const int px = c < static_cast<int>(widthPixels.size()) ? widthPixels[c] : 80;
        f.Width = FormatWidth(std::max(px, 0) / 8.0);
        fields.push_back(std::move(f));
    }
    return fields;
}

int64_t RowsPerSheet(const TExportParams& params) {
    return LXW_ROW_MAX - SheetLayout(params).TableHeaderRow;
}

int SheetCount(const TExportParams& params, int64_t rows) {
    const int64_t per = RowsPerSheet(params);
    return static_cast<int>(std::max<int64_t>(1, (rows + per - 1) / per));
}

std::string SheetNameAt(const std::string& base, int index) {
    if (index == 0) return base;
    const std::string suffix = Format(" (%d)", index + 1);
    // Keep whole characters: cut the base to 31 minus the suffix's length, counted in characters.
    const size_t keep = LXW_SHEETNAME_MAX - suffix.size();
    size_t chars = 0, end = base.size();
    for (size_t i = 0; i < base.size(); ++i)
        if ((static_cast<unsigned char>(base[i]) & 0xC0) != 0x80 && chars++ == keep) {
            end = i;
            break;
        }
    return TrimRight(base.substr(0, end)) + suffix;
}

bool PlainNumber(const std::string& text, double& value, int& decimals) {
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && text[i] == '-') ++i;
    const size_t intStart = i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i;
    const size_t intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0')) return false;
    size_t fracDigits = 0;
    if (i < n && text[i] == '.') {
        ++i;
        const size_t fracStart = i;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i;
        fracDigits = i - fracStart;
        if (fracDigits == 0) return false;
    }
    if (i != n || fracDigits > MaxDecimals) return false;
    // Beyond 15 significant digits a double no longer shows the same digits.
    size_t significant = intDigits + fracDigits;
    for (size_t k = intStart; k < n && (text[k] == '0' || text[k] == '.'); ++k)
        if (text[k] == '0') --significant;
    if (significant > 15) return false;
    double v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + n, v);
    if (ec != std::errc() || p != text.data() + n) return false;
    // "-0" is shown with its sign; a number would lose it.
    if (v == 0 && text[0] == '-') return false;
    value = v;
    decimals = static_cast<int>(fracDigits);
    return true;
}

std::string CreationTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm);
    return Format(Tr("Отчет построен: %s."), std::string(buf));
}

void WriteXlsx(const std::string& path, const TExportParams& params, const TExportSource& source,
               const TExportRows& rows, const TExportProgress& progress) {
    const std::vector<const TExportField*> fields = CheckedFields(params);
    const TSheetLayout layout = SheetLayout(params);
    const double size = std::clamp(params.BaseFontSize, MinFontSize, MaxFontSize);
    const int64_t perSheet = RowsPerSheet(params);
    const int sheets = SheetCount(params, rows.Count);
    const std::string baseName = CleanSheetName(params.SheetName);
    const std::string timeText = params.ShowCreateTime ? CreationTimeText() : std::string();
    // Past about 4 GB of sheet text the ZIP container needs its 64-bit records.
    const bool zip64 = rows.Count * static_cast<int64_t>(fields.size()) > 40'000'000;

    auto stage = [&](const char* text) {
        if (progress.Text) progress.Text(Tr(text));
    };
    stage("Создание рабочей книги...");
    TTempBeside temp(path);
    std::remove(temp.Path().c_str());
    TXlsxBook book(temp.Path(), zip64);
    auto heading = [&](double fontSize, bool bold, bool italic) {
        lxw_format* f = book.NewFormat(fontSize);
        format_set_align(f, LXW_ALIGN_LEFT);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        if (bold) format_set_bold(f);
        if (italic) format_set_italic(f);
        return f;
    };
    lxw_format* headerLineFormat = heading(std::max(size - 2, 1.0), false, true);
    lxw_format* titleFormat = heading(size + 4, true, false);
    lxw_format* notesFormat = heading(size, true, false);
    lxw_format* timeFormat = heading(size, false, true);
    lxw_format* tableHeaderFormat = book.NewFormat(size);
    format_set_align(tableHeaderFormat, LXW_ALIGN_CENTER);
    format_set_align(tableHeaderFormat, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(tableHeaderFormat);
    format_set_border(tableHeaderFormat, LXW_BORDER_MEDIUM);
    std::vector<lxw_format*> columnFormats;
    for (const TExportField* f : fields) {
        lxw_format* cf = book.NewFormat(size);
        format_set_align(cf, LxwAlign(f->Alignment));
        format_set_align(cf, LXW_ALIGN_VERTICAL_CENTER);
        columnFormats.push_back(cf);
    }
    TDataFormats dataFormats(book, size);

    int64_t k = 0, pending = 0;
    for (int s = 0; s < sheets; ++s) {
        const std::string name = SheetNameAt(baseName, s);
        if (s == 0) stage("Создание листа...");
        lxw_worksheet* ws = workbook_add_worksheet(book.Book(), baseName.empty() ? nullptr : name.c_str());
        if (!ws) throw EZorbError(Format(Tr("Недопустимое наименование листа \"%s\"!"), name));
        if (s == 0) stage("Форматирование листа...");
        if (params.Orientation == 1) worksheet_set_portrait(ws);
        if (params.Orientation == 2) worksheet_set_landscape(ws);
        for (size_t c = 0; c < fields.size(); ++c)
            Check(worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                       SheetColumnWidth(fields[c]->Width), columnFormats[c]));
        if (layout.HeaderLineRow)
            worksheet_write_string(ws, layout.HeaderLineRow - 1, 0, params.HeaderLine.c_str(), headerLineFormat);
        worksheet_write_string(ws, layout.TitleRow - 1, 0, params.Title.c_str(), titleFormat);
        if (layout.NotesRow) worksheet_write_string(ws, layout.NotesRow - 1, 0, params.Notes.c_str(), notesFormat);
        if (layout.TimeRow) worksheet_write_string(ws, layout.TimeRow - 1, 0, timeText.c_str(), timeFormat);
        const lxw_row_t headerRow = static_cast<lxw_row_t>(layout.TableHeaderRow - 1);
        for (size_t c = 0; c < fields.size(); ++c)
            worksheet_write_string(ws, headerRow, static_cast<lxw_col_t>(c), fields[c]->Caption.c_str(),
                                   tableHeaderFormat);
        if (s == 0) stage("Передача данных в Microsoft Excel...");
        const int64_t end = std::min(rows.Count, k + perSheet);
        lxw_row_t row = headerRow + 1;
        for (; k < end; ++k, ++row) {
            const int64_t src = SourceRow(rows, k);
            const bool inSource = src >= 0 && src < source.RowCount();
            for (size_t c = 0; c < fields.size(); ++c) {
                const lxw_col_t col = static_cast<lxw_col_t>(c);
                const int alignment = fields[c]->Alignment;
                const std::string text = inSource ? source.CellText(src, fields[c]->ColumnId) : std::string();
                double value;
                int decimals;
                if (text.empty())
                    worksheet_write_blank(ws, row, col, dataFormats.Get(alignment, -1));
                else if (PlainNumber(text, value, decimals))
                    worksheet_write_number(ws, row, col, value, dataFormats.Get(alignment, decimals));
                else
                    worksheet_write_string(ws, row, col, text.c_str(), dataFormats.Get(alignment, -1));
            }
            if (++pending == CheckEvery) {
                CheckPoint(progress, pending);
                pending = 0;
            }
        }
    }
    CheckPoint(progress, pending);
    book.Close();
    temp.Commit();
}

namespace {

// The CSV's bytes, gathered in a fixed buffer and written in large blocks. A field is scanned once for the
// characters that need quotes and copied once.
class TCsvBuffer {
public:
    explicit TCsvBuffer(TAtomicFileWriter& out) : FOut(out), FData(new char[Size]), FEnd(FData.get() + Size) {}
    // Copies while it scans; a field that needs quotes is written again, quoted.
    void Field(std::string_view s) {
        static const std::array<bool, 256> special = [] {
            std::array<bool, 256> t{};
            for (unsigned char c : std::string_view(";\"\r\n")) t[c] = true;
            return t;
        }();
        const size_t need = 2 * s.size() + 2;
        if (static_cast<size_t>(FEnd - FPos) < need) {
            Flush();
            if (need > Size) return LargeField(s);
        }
        char* p = FPos;
        for (char c : s) {
            if (special[static_cast<unsigned char>(c)]) {
                p = FPos;
                *p++ = '"';
                for (char d : s) {
                    if (d == '"') *p++ = '"';
                    *p++ = d;
                }
                *p++ = '"';
                break;
            }
            *p++ = c;
        }
        FPos = p;
    }
    void Byte(char c) {
        if (FPos == FEnd) Flush();
        *FPos++ = c;
    }
    void EndLine() {
        if (FEnd - FPos < 2) Flush();
        *FPos++ = '\r';
        *FPos++ = '\n';
    }
    void Flush() {
        FOut.Write(std::string_view(FData.get(), static_cast<size_t>(FPos - FData.get())));
        FPos = FData.get();
    }

private:
    static constexpr size_t Size = 1u << 20;
    void LargeField(std::string_view s) {
        std::string quoted(1, '"');
        for (char c : s) {
            if (c == '"') quoted += '"';
            quoted += c;
        }
        quoted += '"';
        FOut.Write(s.find_first_of(";\"\r\n") == std::string_view::npos ? s : std::string_view(quoted));
    }
    TAtomicFileWriter& FOut;
    std::unique_ptr<char[]> FData;
    char* FEnd;
    char* FPos = FData.get();
};

} // namespace

void WriteCsv(const std::string& path, const TExportParams& params, const TExportSource& source,
              const TExportRows& rows, const TExportProgress& progress) {
    const std::vector<const TExportField*> fields = CheckedFields(params);
    std::vector<int> columns;
    for (const TExportField* f : fields) columns.push_back(f->ColumnId);
    TAtomicFileWriter out(path);
    TCsvBuffer csv(out);
    for (size_t c = 0; c < fields.size(); ++c) {
        if (c) csv.Byte(';');
        csv.Field(fields[c]->Caption);
    }
    csv.EndLine();
    const int64_t sourceRows = source.RowCount();
    int64_t pending = 0;
    for (int64_t k = 0; k < rows.Count; ++k) {
        const int64_t src = SourceRow(rows, k);
        const bool inSource = src >= 0 && src < sourceRows;
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c) csv.Byte(';');
            if (inSource) csv.Field(source.CellText(src, columns[c]));
        }
        csv.EndLine();
        if (++pending == CheckEvery) {
            CheckPoint(progress, pending);
            pending = 0;
        }
    }
    CheckPoint(progress, pending);
    csv.Flush();
    out.Commit();
}

} // namespace zorb
