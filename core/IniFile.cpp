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
#include <filesystem>

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

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int32_t v;
    std::string s = Trim(ReadString(section, key, ""));
    if (s.size() > 2 && (s[0] == '0') && (s[1] == 'x' || s[1] == 'X')) {
        try {
            return static_cast<int>(std::stol(s.substr(2), nullptr, 16));
        } catch (...) {
            return def;
        }
    }
    return TryStrToInt(s, v) ? v : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    double v;
    return TryStrToFloat(ReadString(section, key, ""), v) ? v : def;
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
