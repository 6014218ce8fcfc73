// The workbook is opened back: the test unzips it and reads the sheet XML, as a spreadsheet program would.
#include "export/ExcelExport.h"
#include "core/Cancel.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

namespace zorb {
namespace {

namespace fs = std::filesystem;

class TTableSource : public TExportSource {
public:
    std::vector<std::string> Captions;
    std::vector<int> Alignments;
    std::vector<std::vector<std::string>> Rows;
    int ColumnCount() const override { return static_cast<int>(Captions.size()); }
    std::string ColumnCaption(int c) const override { return Captions[c]; }
    int ColumnAlignment(int c) const override { return Alignments.empty() ? 0 : Alignments[c]; }
    int64_t RowCount() const override { return static_cast<int64_t>(Rows.size()); }
    std::string CellText(int64_t r, int c) const override { return Rows[r][c]; }
};

// One column of row numbers, as long as asked.
class TCountingSource : public TExportSource {
public:
    explicit TCountingSource(int64_t n) : FN(n) {}
    int ColumnCount() const override { return 1; }
    std::string ColumnCaption(int) const override { return "N"; }
    int64_t RowCount() const override { return FN; }
    std::string CellText(int64_t r, int) const override { return std::to_string(r + 1); }

private:
    int64_t FN;
};

std::string ZipEntry(const std::string& path, const std::string& name) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z) return "<no zip>";
    zip_stat_t st;
    std::string data;
    if (zip_stat(z, name.c_str(), 0, &st) == 0) {
        zip_file_t* f = zip_fopen(z, name.c_str(), 0);
        data.resize(st.size);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
    } else {
        data = "<no entry>";
    }
    zip_close(z);
    return data;
}

// The XML element of one cell ("B4"), or empty.
std::string CellXml(const std::string& sheet, const std::string& ref) {
    const size_t at = sheet.find("<c r=\"" + ref + "\"");
    if (at == std::string::npos) return "";
    const size_t selfClose = sheet.find("/>", at), close = sheet.find("</c>", at);
    const size_t end = std::min(selfClose == std::string::npos ? close : selfClose + 2,
                                close == std::string::npos ? selfClose + 2 : close + 4);
    return sheet.substr(at, end - at);
}

std::string TextOf(const std::string& cell) {
    std::smatch m;
    if (std::regex_search(cell, m, std::regex("<t[^>]*>([^<]*)</t>"))) return m[1];
    if (std::regex_search(cell, m, std::regex("<v>([^<]*)</v>"))) return "=" + m[1].str();
    return "";
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("zorb-export-" + std::to_string(::getpid()));
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    // Only the named files are in the directory: no partial file was left.
    std::vector<std::string> Files() const {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(FDir)) r.push_back(e.path().filename().string());
        std::sort(r.begin(), r.end());
        return r;
    }
    fs::path FDir;
};

TTableSource SampleSource() {
    TTableSource s;
    s.Captions = {"Тираж", "Числа", "Доля"};
    s.Alignments = {1, 0, 2};
    s.Rows = {{"1201", "0:6", "12.50"}, {"007", "1-5", "-3"}, {"", "текст", "0.00001"}};
    return s;
}

TEST(ExportParamsTest, SheetLayoutRows) {
    struct TCase {
        std::string Header, Notes;
        bool Time;
        TSheetLayout Want;
    };
    const std::vector<TCase> cases = {
        {"", "", false, {0, 1, 0, 0, 3}},
        {"Строка", "Примечание", true, {1, 3, 4, 5, 7}},
        {"", "  ", true, {0, 1, 0, 2, 4}},
        {"Строка", "", true, {1, 3, 0, 4, 6}},
    };
    for (const TCase& c : cases) {
        TExportParams p;
        p.HeaderLine = c.Header;
        p.Notes = c.Notes;
        p.ShowCreateTime = c.Time;
        const TSheetLayout l = SheetLayout(p);
        EXPECT_EQ(std::vector<int>({l.HeaderLineRow, l.TitleRow, l.NotesRow, l.TimeRow, l.TableHeaderRow}),
                  std::vector<int>(
                      {c.Want.HeaderLineRow, c.Want.TitleRow, c.Want.NotesRow, c.Want.TimeRow, c.Want.TableHeaderRow}))
            << c.Header << "|" << c.Notes << "|" << c.Time;
    }
}

TEST(ExportParamsTest, SheetNamesWidthsAndNumbers) {
    EXPECT_EQ(CleanSheetName("a/b:c[1]"), "a-bc(1)");
    EXPECT_EQ(CleanSheetName(std::string(40, 'x')), std::string(31, 'x'));
    EXPECT_EQ(CleanSheetName(" \"Архив\\тиражей*?' "), "Архив-тиражей");
    EXPECT_EQ(CleanSheetName(std::string(20, 'z') + std::string(15, ' ') + "end"), std::string(20, 'z'));
    EXPECT_EQ(SheetNameAt("Комбинации", 1), "Комбинации (2)");
    EXPECT_EQ(SheetNameAt(std::string(31, 'n'), 19), std::string(26, 'n') + " (20)");

    struct TWidth {
        std::string Text;
        double Want;
    };
    for (const TWidth& w : std::vector<TWidth>{
             {"300", 255}, {"abc", 10}, {"12,5", 12.5}, {"7.25", 7.25}, {"", 10}, {"-4", 10}, {"inf", 10}})
        EXPECT_DOUBLE_EQ(SheetColumnWidth(w.Text), w.Want) << w.Text;
    EXPECT_EQ(FormatWidth(12.5), "12.50");

    struct TNumber {
        std::string Text;
        bool Number;
        double Value;
        int Decimals;
    };
    const std::vector<TNumber> numbers = {
        {"12", true, 12, 0},
        {"-3.50", true, -3.5, 2},
        {"0.5", true, 0.5, 1},
        {"0", true, 0, 0},
        {"0:6", false, 0, 0},
        {"1-5", false, 0, 0},
        {"007", false, 0, 0},
        {"1e5", false, 0, 0},
        {"", false, 0, 0},
        {"-0", false, 0, 0},
        {"1.", false, 0, 0},
        {".5", false, 0, 0},
        {" 1", false, 0, 0},
        {"1,5", false, 0, 0},
        {"+1", false, 0, 0},
        {"-", false, 0, 0},
        {"1234567890123456", false, 0, 0},
        {"123456789012345", true, 123456789012345.0, 0},
        {"0.000000000000001", true, 1e-15, 15},
    };
    for (const TNumber& n : numbers) {
        double v = -99;
        int d = -1;
        ASSERT_EQ(PlainNumber(n.Text, v, d), n.Number) << n.Text;
        if (n.Number) {
            EXPECT_DOUBLE_EQ(v, n.Value) << n.Text;
            EXPECT_EQ(d, n.Decimals) << n.Text;
        }
    }
}

std::vector<TExportField> Fields3() {
    TTableSource s = SampleSource();
    return BuildFields(s, {80, 160, 2400});
}

TEST(ExportParamsTest, ReorderKeepsCheckedFirstAndFollowsFocus) {
    std::vector<TExportField> f = Fields3();
    EXPECT_EQ(f[1].Width, "20.00");
    EXPECT_EQ(f[2].Alignment, 2);
    f[0].Checked = false;
    int focus = 0;
    ReorderFields(f, focus);
    EXPECT_EQ(f[0].ColumnId, 1);
    EXPECT_EQ(f[1].ColumnId, 2);
    EXPECT_EQ(f[2].ColumnId, 0);
    EXPECT_EQ(focus, 2);
    // Moving the unchecked field up above a checked one: it returns after them.
    EXPECT_TRUE(MoveField(f, focus, -1));
    EXPECT_EQ(f[2].ColumnId, 0);
    EXPECT_EQ(focus, 2);
    focus = 0;
    EXPECT_TRUE(MoveField(f, focus, +1));
    EXPECT_EQ(f[0].ColumnId, 2);
    EXPECT_EQ(focus, 1);
    focus = 0;
    EXPECT_FALSE(MoveField(f, focus, -1));
}

TEST_F(ExportTest, ParameterSectionRoundTripAndBadItems) {
    const std::string section = ExportSectionName("FormMain", "lvDraws");
    EXPECT_EQ(section, "EXPORT_EXCEL_FORMMAIN.LVDRAWS");
    TExportParams p;
    p.Title = "Архив";
    p.Notes = "N";
    p.SheetName = "Лист";
    p.Orientation = 2;
    p.BaseFontSize = 11;
    p.Remember = true;
    p.Fields = Fields3();
    p.Fields[0].Checked = false;
    p.Fields[2].Caption = "Доля, %";
    p.Fields[2].Alignment = 1;
    int focus = -1;
    ReorderFields(p.Fields, focus);
    {
        TIniFile ini(Path("Zorb_6x52.ini"));
        SaveExportParams(ini, section, TParamsMode::Configuration, p);
        ini.WriteString(section, "Item_1", "2;ДОЛЯ;Доля, %;-1;1;33.00"); // matched ignoring case
        ini.Save();
    }
    TExportParams q;
    q.Fields = Fields3();
    TIniFile ini(Path("Zorb_6x52.ini"));
    ini.Load();
    LoadExportParams(ini, section, TParamsMode::Configuration, q);
    EXPECT_TRUE(q.Remember);
    EXPECT_EQ(q.Title, "Архив");
    EXPECT_EQ(q.Orientation, 2);
    EXPECT_EQ(q.BaseFontSize, 11);
    ASSERT_EQ(q.Fields.size(), 3u);
    EXPECT_EQ(q.Fields[0].ColumnId, 1);
    EXPECT_EQ(q.Fields[1].ColumnId, 2);
    EXPECT_EQ(q.Fields[1].Caption, "Доля, %");
    EXPECT_EQ(q.Fields[1].Width, "33.00");
    EXPECT_EQ(q.Fields[1].Alignment, 1);
    EXPECT_FALSE(q.Fields[2].Checked);

    // Items that cannot be used are ignored; the field keeps what the source gave it.
    const std::vector<std::string> bad = {"0;Тираж;;-1;1;5", "7;Тираж;X;-1;1;5", "0;Нет;X;-1;1;5", "0;Тираж;X;-1;1",
                                          "x;Тираж;X;-1;1;5"};
    for (const std::string& item : bad) {
        TIniFile f(Path("bad.exp"));
        f.WriteString(section, "Item_0", item);
        f.Save();
        TExportParams r;
        r.Fields = Fields3();
        LoadExportParams(f, section, TParamsMode::File, r);
        EXPECT_EQ(r.Fields[0].Caption, "Тираж") << item;
        EXPECT_EQ(r.Fields[0].Width, "10.00") << item;
    }

    // With the box cleared, the next export reads nothing but the box.
    p.Remember = false;
    SaveExportParams(ini, section, TParamsMode::Configuration, p);
    TExportParams cleared;
    cleared.Title = "Комбинации";
    cleared.Fields = Fields3();
    cleared.Remember = true;
    LoadExportParams(ini, section, TParamsMode::Configuration, cleared);
    EXPECT_FALSE(cleared.Remember);
    EXPECT_EQ(cleared.Title, "Комбинации");
    EXPECT_EQ(cleared.BaseFontSize, 8);
    EXPECT_TRUE(cleared.Fields[0].Checked && cleared.Fields[1].Checked && cleared.Fields[2].Checked);
}

TEST_F(ExportTest, SheetShowsTheViewTextsWithLayoutFormatsAndWidths) {
    TTableSource s = SampleSource();
    TExportParams p;
    p.Title = "Архив тиражей";
    p.SheetName = "Архив/тиражей";
    p.HeaderLine = "Шапка";
    p.Notes = "Примечание";
    p.Orientation = 2;
    p.BaseFontSize = 10;
    p.Fields = BuildFields(s, {80, 160, 2400});
    p.Fields[1].Checked = false;
    int focus = -1;
    ReorderFields(p.Fields, focus);
    const std::string path = Path("out.xlsx");
    WriteXlsx(path, p, s, AllRows(s));
    EXPECT_EQ(Files(), std::vector<std::string>{"out.xlsx"});

    EXPECT_NE(ZipEntry(path, "xl/workbook.xml").find("name=\"Архив-тиражей\""), std::string::npos);
    const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
    struct TCell {
        const char* Ref;
        std::string Text; // "=" before a number's value
    };
    const std::vector<TCell> cells = {
        {"A1", "Шапка"},   {"A3", "Архив тиражей"}, {"A4", "Примечание"}, {"A7", "Тираж"}, {"B7", "Доля"},
        {"A8", "=1201"},   {"B8", "=12.5"},         {"A9", "007"},        {"B9", "=-3"},   {"A10", ""},
        {"B10", "=1E-05"},
    };
    for (const TCell& c : cells) {
        EXPECT_EQ(TextOf(CellXml(sheet, c.Ref)), c.Text) << c.Ref << ": " << CellXml(sheet, c.Ref);
    }
    EXPECT_NE(CellXml(sheet, "A10"), "") << "an empty cell keeps its border";
    EXPECT_EQ(CellXml(sheet, "C8"), "") << "the unchecked column is not exported";
    EXPECT_NE(CellXml(sheet, "A5").find("Отчет построен: "), std::string::npos);
    EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\" width=\"10.7109375\""), std::string::npos) << sheet.substr(0, 900);
    EXPECT_NE(sheet.find("<col min=\"2\" max=\"2\" width=\"255.7109375\""), std::string::npos);
    EXPECT_NE(sheet.find("orientation=\"landscape\""), std::string::npos);

    // Formats: the number formats of the view's digits, medium borders on the header, thin on the data.
    const std::string styles = ZipEntry(path, "xl/styles.xml");
    EXPECT_NE(styles.find("formatCode=\"0.00\""), std::string::npos);
    EXPECT_NE(styles.find("formatCode=\"0.00000\""), std::string::npos);
    EXPECT_NE(styles.find("<left style=\"medium\">"), std::string::npos);
    EXPECT_NE(styles.find("<left style=\"thin\">"), std::string::npos);
    EXPECT_NE(styles.find("<sz val=\"14\"/>"), std::string::npos); // the title: base + 4
    EXPECT_NE(styles.find("<sz val=\"8\"/>"), std::string::npos);  // the header line: base - 2
    EXPECT_NE(styles.find("wrapText=\"1\""), std::string::npos);
}

TEST_F(ExportTest, SelectedRowsAndEmptySelection) {
    TTableSource s = SampleSource();
    TExportParams p;
    p.ShowCreateTime = false;
    p.Fields = BuildFields(s, {});
    const std::string path = Path("sel.xlsx");
    WriteXlsx(path, p, s, {2, [](int64_t k) { return k == 0 ? int64_t(2) : int64_t(0); }});
    std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(TextOf(CellXml(sheet, "B4")), "текст");
    EXPECT_EQ(TextOf(CellXml(sheet, "B5")), "0:6");
    EXPECT_EQ(CellXml(sheet, "A6"), "");
    // A single-selection list with nothing selected exports the header and one empty row.
    WriteXlsx(path, p, s, {1, [](int64_t) { return int64_t(-1); }});
    sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(TextOf(CellXml(sheet, "A3")), "Тираж");
    EXPECT_NE(CellXml(sheet, "A4"), "");
    EXPECT_EQ(TextOf(CellXml(sheet, "A4")), "");
}

TEST_F(ExportTest, CancelAndErrorsLeaveTheOlderFileIntact) {
    TCountingSource s(100000);
    TExportParams p;
    p.Fields = BuildFields(s, {});
    const std::string path = Path("old.xlsx");
    WriteFileAtomic(path, "older");
    int steps = 0;
    TExportProgress progress;
    progress.Step = [&](int64_t) { ++steps; };
    progress.Stop = [&] { return steps >= 3; };
    EXPECT_THROW(WriteXlsx(path, p, s, AllRows(s), progress), EExportCancelled);
    EXPECT_THROW(WriteCsv(path, p, s, AllRows(s), progress), EExportCancelled);
    EXPECT_EQ(ReadFileBytes(path), "older");
    EXPECT_EQ(Files(), std::vector<std::string>{"old.xlsx"});

    RequestCancel();
    EXPECT_THROW(WriteXlsx(path, p, s, AllRows(s)), EExportCancelled);
    ResetCancel();
    EXPECT_EQ(ReadFileBytes(path), "older");
    EXPECT_THROW(WriteXlsx(Path("missing/dir.xlsx"), p, s, AllRows(s)), std::exception);
    EXPECT_EQ(Files(), std::vector<std::string>{"old.xlsx"});
}

TEST_F(ExportTest, CsvOfTheSameTable) {
    TTableSource s = SampleSource();
    s.Rows.push_back({"a;b", "say \"hi\"", "x"});
    // Longer than the writer's buffer, with a quote and a line break: quoted as a whole.
    const std::string big = std::string(700000, 'z') + "\"\r\n";
    s.Rows.push_back({"", "", big});
    TExportParams p;
    p.Fields = BuildFields(s, {});
    p.Fields[1].Checked = false;
    int focus = -1;
    ReorderFields(p.Fields, focus);
    const std::string path = Path("t.csv");
    WriteCsv(path, p, s, AllRows(s));
    EXPECT_EQ(ReadFileBytes(path), "Тираж;Доля\r\n1201;12.50\r\n007;-3\r\n;0.00001\r\n\"a;b\";x\r\n;\"" +
                                       std::string(700000, 'z') + "\"\"\r\n\"\r\n");
}

// The longest list of the program continues on a second sheet with the headings and header repeated.
TEST_F(ExportTest, LongListFillsSheetAfterSheet) {
    const int64_t n = 1107568;
    TCountingSource s(n);
    TExportParams p;
    p.Title = "Комбинации";
    p.SheetName = "Комбинации";
    p.ShowCreateTime = false;
    p.Fields = BuildFields(s, {});
    EXPECT_EQ(SheetCount(p, n), 2);
    EXPECT_EQ(SheetCount(p, 20358520), 20);
    const std::string path = Path("long.xlsx");
    WriteXlsx(path, p, s, AllRows(s));
    const std::string book = ZipEntry(path, "xl/workbook.xml");
    EXPECT_NE(book.find("name=\"Комбинации\""), std::string::npos);
    EXPECT_NE(book.find("name=\"Комбинации (2)\""), std::string::npos);
    const int64_t per = 1048576 - 3;
    const std::string sheet2 = ZipEntry(path, "xl/worksheets/sheet2.xml");
    EXPECT_EQ(TextOf(CellXml(sheet2, "A1")), "Комбинации");
    EXPECT_EQ(TextOf(CellXml(sheet2, "A3")), "N");
    EXPECT_EQ(TextOf(CellXml(sheet2, "A4")), "=" + std::to_string(per + 1));
    EXPECT_EQ(TextOf(CellXml(sheet2, "A" + std::to_string(3 + n - per))), "=" + std::to_string(n));
    const std::string sheet1 = ZipEntry(path, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(TextOf(CellXml(sheet1, "A1048576")), "=" + std::to_string(per));
}

} // namespace
} // namespace zorb
