// The spreadsheet export against the plain constant-memory libxlsxwriter loop over the same cells, and the CSV
// against one fwrite of its bytes (also with the fsync and rename the export does); 1 000 000 rows of combination texts
// (eight columns, as the list shows them).
#include "export/ExcelExport.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace zorb;

constexpr int64_t Rows = 1000000;

// Row r: its 1-based number, the six numbers of a combination and their sum, as the view's texts.
class TCombRows : public TExportSource {
public:
    int ColumnCount() const override { return 8; }
    std::string ColumnCaption(int c) const override { return c == 0 ? "№" : c == 7 ? "S" : std::to_string(c); }
    int64_t RowCount() const override { return Rows; }
    std::string CellText(int64_t r, int c) const override {
        if (c == 0) return std::to_string(r + 1);
        if (c == 7) return std::to_string(21 + r % 250);
        return std::to_string(1 + (r / (c * 7) + c * 5) % 52);
    }
};

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + name)).string();
}

TExportParams Params(const TExportSource& s) {
    TExportParams p;
    p.Title = p.SheetName = "Комбинации";
    p.Fields = BuildFields(s, {});
    return p;
}

void BM_ExportXlsx(benchmark::State& state) {
    const TCombRows source;
    const TExportParams params = Params(source);
    const std::string path = TempPath("-bench.xlsx");
    for (auto _ : state) WriteXlsx(path, params, source, AllRows(source));
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

// The same cells written by hand: no formats cache, no checks, numbers and texts as the export decides them.
void BM_PlainXlsxLoop(benchmark::State& state) {
    const TCombRows source;
    const std::string path = TempPath("-plain.xlsx");
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Комбинации");
        lxw_format* format = workbook_add_format(book);
        format_set_border(format, LXW_BORDER_THIN);
        for (int c = 0; c < 8; ++c) worksheet_write_string(sheet, 2, c, source.ColumnCaption(c).c_str(), format);
        for (int64_t r = 0; r < Rows; ++r)
            for (int c = 0; c < 8; ++c)
                worksheet_write_number(sheet, static_cast<lxw_row_t>(r + 3), c, std::stod(source.CellText(r, c)),
                                       format);
        workbook_close(book);
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

void BM_ExportCsv(benchmark::State& state) {
    const TCombRows source;
    const TExportParams params = Params(source);
    const std::string path = TempPath("-bench.csv");
    for (auto _ : state) WriteCsv(path, params, source, AllRows(source));
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

// The CSV's bytes made beforehand, written with one fwrite.
void BM_FwriteCsvBytes(benchmark::State& state) {
    const TCombRows source;
    std::string bytes;
    for (int64_t r = 0; r < Rows; ++r) {
        for (int c = 0; c < 8; ++c) bytes += (c ? ";" : "") + source.CellText(r, c);
        bytes += "\r\n";
    }
    const std::string path = TempPath("-fwrite.csv");
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

// The same bytes made as durable as the export makes them: temporary file, fsync, rename.
void BM_FwriteFsyncRenameCsvBytes(benchmark::State& state) {
    const TCombRows source;
    std::string bytes;
    for (int64_t r = 0; r < Rows; ++r) {
        for (int c = 0; c < 8; ++c) bytes += (c ? ";" : "") + source.CellText(r, c);
        bytes += "\r\n";
    }
    const std::string path = TempPath("-fsync.csv"), temp = path + ".tmp";
    for (auto _ : state) {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
        ::fsync(::fileno(f));
        std::fclose(f);
        std::rename(temp.c_str(), path.c_str());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

// The plain loop over the same cells: each text asked of the view, joined with ";" and written with one fwrite
// (no quoting check, no check points, no temporary file).
void BM_PlainCsvLoop(benchmark::State& state) {
    const TCombRows source;
    const std::string path = TempPath("-plain.csv");
    for (auto _ : state) {
        std::string bytes;
        for (int64_t r = 0; r < Rows; ++r) {
            for (int c = 0; c < 8; ++c) {
                if (c) bytes += ';';
                bytes += source.CellText(r, c);
            }
            bytes += "\r\n";
        }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * Rows);
}

BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainXlsxLoop)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FwriteCsvBytes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FwriteFsyncRenameCsvBytes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainCsvLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
