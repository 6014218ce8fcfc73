#include "export/ExportParams.h"

#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <cmath>

namespace zorb {

namespace {

constexpr double DefaultWidth = 10;

// Characters of a UTF-8 text: the first `n` of them.
std::string FirstChars(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == n) return s.substr(0, i);
    return s;
}

// "-1", "0", any integer, "True" or "False".
bool ReadBoolText(const std::string& text, bool& value) {
    const std::string t = Trim(text);
    int32_t n;
    if (TryStrToInt(t, n)) {
        value = n != 0;
        return true;
    }
    if (SameText(t, "True") || SameText(t, "False")) {
        value = SameText(t, "True");
        return true;
    }
    return false;
}

} // namespace

std::string AlignmentText(int alignment) {
    switch (alignment) {
    case 1: return Tr("по правому краю");
    case 2: return Tr("по центру");
    default: return Tr("по левому краю");
    }
}

std::string ExportSectionName(const std::string& form, const std::string& control) {
    return "EXPORT_EXCEL_" + UpperCase(form) + "." + UpperCase(control);
}

std::string FormatWidth(double width) {
    return FloatToFixed(width, 2, '.');
}

double ParseWidth(const std::string& text) {
    double v;
    if (!TryStrToFloat(text, v) || !std::isfinite(v) || v < 0) return DefaultWidth;
    return v;
}

double SheetColumnWidth(const std::string& widthText) {
    return std::min(ParseWidth(widthText), MaxColumnWidth);
}

std::string CleanSheetName(const std::string& name) {
    std::string r;
    for (char c : name) {
        switch (c) {
        case '"':
        case '\'':
        case '*':
        case '?':
        case ':': break;
        case '/':
        case '\\': r += '-'; break;
        case '[': r += '('; break;
        case ']': r += ')'; break;
        default: r += c;
        }
    }
    return Trim(FirstChars(r, 31));
}

void ReorderFields(std::vector<TExportField>& fields, int& focus) {
    std::vector<size_t> order;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].Checked) order.push_back(i);
    for (size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].Checked) order.push_back(i);
    std::vector<TExportField> sorted;
    sorted.reserve(fields.size());
    int newFocus = -1;
    for (size_t k = 0; k < order.size(); ++k) {
        if (static_cast<int>(order[k]) == focus) newFocus = static_cast<int>(k);
        sorted.push_back(std::move(fields[order[k]]));
    }
    fields = std::move(sorted);
    focus = newFocus;
}

bool MoveField(std::vector<TExportField>& fields, int& focus, int delta) {
    const int other = focus + delta;
    if (focus < 0 || focus >= static_cast<int>(fields.size()) || other < 0 || other >= static_cast<int>(fields.size()))
        return false;
    std::swap(fields[focus], fields[other]);
    focus = other;
    ReorderFields(fields, focus);
    return true;
}

void LoadExportParams(const TIniFile& ini, const std::string& section, TParamsMode mode, TExportParams& p,
                      std::vector<int>* badItems) {
    int focus = -1;
    if (ini.SectionExists(section)) {
        bool go = true;
        if (mode == TParamsMode::Configuration) {
            p.Remember = ini.ReadBool(section, "RestoreParameters", p.Remember);
            go = p.Remember;
        }
        if (go) {
            if (mode == TParamsMode::File || Trim(p.Title).empty()) p.Title = ini.ReadString(section, "Title", p.Title);
            if (Trim(p.Notes).empty()) p.Notes = ini.ReadString(section, "Notes", p.Notes);
            p.ShowCreateTime = ini.ReadBool(section, "ShowCreateTime", p.ShowCreateTime);
            p.SheetName = ini.ReadString(section, "SheetName", p.SheetName);
            p.Orientation = ini.ReadInteger(section, "PageOrientation", p.Orientation, 0, 2);
            p.BaseFontSize = ini.ReadInteger(section, "BaseFontSize", p.BaseFontSize, MinFontSize, MaxFontSize);
            for (size_t i = 0; i < p.Fields.size(); ++i) {
                const std::string value = ini.ReadString(section, Format("Item_%d", static_cast<int>(i)), "");
                if (value.empty()) continue;
                const std::vector<std::string> parts = SplitWords(value, ";");
                if (parts.size() != 6) continue;
                int32_t id;
                if (!TryStrToInt(Trim(parts[0]), id)) id = -1;
                const std::string physical = Trim(parts[1]);
                auto it = std::find_if(p.Fields.begin(), p.Fields.end(), [&](const TExportField& f) {
                    return f.ColumnId == id && SameText(f.PhysicalField, physical);
                });
                if (it == p.Fields.end()) continue;
                try {
                    TExportField f = *it;
                    f.Caption = parts[2];
                    bool checked;
                    if (ReadBoolText(parts[3], checked)) f.Checked = checked;
                    int32_t alignment;
                    if (TryStrToInt(Trim(parts[4]), alignment)) f.Alignment = alignment;
                    f.Width = Trim(parts[5]);
                    p.Fields.erase(it);
                    p.Fields.insert(p.Fields.begin() + static_cast<std::ptrdiff_t>(std::min(i, p.Fields.size())),
                                    std::move(f));
                } catch (...) {
                    if (badItems) badItems->push_back(static_cast<int>(i));
                }
            }
        }
    }
    ReorderFields(p.Fields, focus);
}

void SaveExportParams(TIniFile& ini, const std::string& section, TParamsMode mode, const TExportParams& p) {
    ini.EraseSection(section);
    if (mode == TParamsMode::Configuration) ini.WriteBool(section, "RestoreParameters", p.Remember);
    ini.WriteString(section, "Title", p.Title);
    ini.WriteString(section, "Notes", p.Notes);
    ini.WriteBool(section, "ShowCreateTime", p.ShowCreateTime);
    ini.WriteString(section, "SheetName", p.SheetName);
    ini.WriteInteger(section, "PageOrientation", p.Orientation);
    ini.WriteInteger(section, "BaseFontSize", p.BaseFontSize);
    for (size_t i = 0; i < p.Fields.size(); ++i) {
        const TExportField& f = p.Fields[i];
        ini.WriteString(section, Format("Item_%d", static_cast<int>(i)),
                        Format("%d;%s;%s;%s;%d;%s", f.ColumnId, Trim(f.PhysicalField), f.Caption,
                               f.Checked ? "-1" : "0", f.Alignment, f.Width));
    }
}

TSheetLayout SheetLayout(const TExportParams& p) {
    TSheetLayout l;
    const int q = p.HeaderLine.empty() ? 0 : 2;
    const bool notes = !Trim(p.Notes).empty();
    const int s = (notes ? 1 : 0) + (p.ShowCreateTime ? 1 : 0);
    l.HeaderLineRow = q ? 1 : 0;
    l.TitleRow = q + 1;
    l.NotesRow = notes ? q + 2 : 0;
    l.TimeRow = p.ShowCreateTime ? q + s + 1 : 0;
    l.TableHeaderRow = q + s + 3;
    return l;
}

} // namespace zorb
