// INI settings file held in memory: read once, written whole (atomically) by Save. Missing or unreadable keys
// take the caller's default. Files that are not valid UTF-8 are read as code page 1251.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zorb {

class TIniFile {
public:
    explicit TIniFile(std::string path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& Path() const { return FPath; }

    // A missing file is an empty one. A file that exists but cannot be read raises, and the object then refuses
    // to Save so the unread contents are never replaced by defaults.
    void Load();
    void Save();
    bool LoadFailed() const { return FLoadFailed; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Numbers are checked: a value that is not a whole (decimal, or "0x" hexadecimal) or finite number, carries
    // anything but blanks around it, or lies outside [lo, hi] reads as `def`. A hand-edited or damaged file
    // therefore never hands a caller a value its own dialog could not have produced.
    int ReadInteger(const std::string& section, const std::string& key, int def, int lo, int hi) const;
    double ReadFloat(const std::string& section, const std::string& key, double def, double lo, double hi) const;
    // Any value of the type.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    double ReadFloat(const std::string& section, const std::string& key, double def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const; // integer, non-zero = on

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteFloat(const std::string& section, const std::string& key, double value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const; // keys in file order
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

private:
    struct TImpl;
    std::string FPath;
    std::unique_ptr<TImpl> FImpl;
    bool FLoadFailed = false;
};

} // namespace zorb
