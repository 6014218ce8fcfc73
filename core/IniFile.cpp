#include "core/IniFile.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

// Only the narrow UTF-8 flavour is used, so no wide-character converter is needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the packaged header keeps the template bodies behind this switch
#include <SimpleIni.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

namespace zorb {

struct TIniFile::TImpl {
    CSimpleIniA Ini{true, false, false};
    TImpl() { Ini.SetSpaces(false); }
};

TIniFile::TIniFile(std::string path) : FPath(std::move(path)), FImpl(std::make_unique<TImpl>()) {}

TIniFile::~TIniFile() = default;

void TIniFile::Load() {
    FImpl->Ini.Reset();
    FLoadFailed = false;
    std::error_code ec;
    if (!std::filesystem::exists(FPath, ec)) return;
    if (!std::filesystem::is_regular_file(FPath, ec)) {
        FLoadFailed = true;
        throw EZorbError(Format(Tr("\"%s\" не является файлом"), FPath));
    }
    std::string text;
    try {
        text = DecodeTextFile(ReadFileBytes(FPath));
    } catch (...) {
        FLoadFailed = true;
        throw;
    }
    // A NUL would end the parse early; garbage is otherwise skipped line by line by the parser.
    std::replace(text.begin(), text.end(), '\0', ' ');
    if (FImpl->Ini.LoadData(text) < 0) {
        FLoadFailed = true;
        throw EZorbError(Format(Tr("Не удалось разобрать файл \"%s\""), FPath));
    }
}

void TIniFile::Save() {
    if (FLoadFailed) throw EZorbError(Format(Tr("Файл \"%s\" не был прочитан и оставлен без изменений"), FPath));
    std::string out;
    if (FImpl->Ini.Save(out) < 0) throw EZorbError(Format(Tr("Не удалось сформировать файл \"%s\""), FPath));
    WriteFileAtomic(FPath, out);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const char* v = FImpl->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? std::string(v) : def;
}

// Whole numbers as the file may hold them: decimal with an optional sign, or "0x" and up to eight hex digits
// (a value above the signed range is refused rather than wrapped).
static bool ParseIniInteger(const std::string& text, int32_t& value) {
    const std::string s = Trim(text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        int64_t v = 0;
        for (size_t i = 2; i < s.size(); ++i) {
            const char c = s[i];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
            if (v > INT32_MAX) return false;
        }
        value = static_cast<int32_t>(v);
        return true;
    }
    return TryStrToInt(s, value);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def, int lo, int hi) const {
    int32_t v;
    if (!ParseIniInteger(ReadString(section, key, ""), v) || v < lo || v > hi) return def;
    return v;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    return ReadInteger(section, key, def, INT32_MIN, INT32_MAX);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def, double lo, double hi) const {
    double v;
    // The comparisons are written so that a NaN fails them.
    if (!TryStrToFloat(ReadString(section, key, ""), v) || !std::isfinite(v) || !(v >= lo && v <= hi)) return def;
    return v;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    return ReadFloat(section, key, def, -std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    // A line break inside a value would start a new line of the file.
    std::string v = ReplaceAll(ReplaceAll(value, "\r", " "), "\n", " ");
    FImpl->Ini.SetValue(section.c_str(), key.c_str(), v.c_str());
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    WriteString(section, key, FloatToStrExact(value));
}

bool TIniFile::SectionExists(const std::string& section) const {
    return FImpl->Ini.GetSection(section.c_str()) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return FImpl->Ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    CSimpleIniA::TNamesDepend keys;
    FImpl->Ini.GetAllKeys(section.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> r;
    for (const auto& k : keys) r.emplace_back(k.pItem);
    return r;
}

void TIniFile::EraseSection(const std::string& section) {
    FImpl->Ini.Delete(section.c_str(), nullptr);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    FImpl->Ini.Delete(section.c_str(), key.c_str());
}

} // namespace zorb
