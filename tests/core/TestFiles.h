// Helpers shared by the tests that touch files: a private temporary directory per test, raw file access that
// bypasses the code under test, and draw records built from the 24-byte record layout alone.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorb::test {

class TTempDir {
public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zorb-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        FPath = tmpl;
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return (std::filesystem::path(FPath) / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> r;
        for (const auto& e : std::filesystem::directory_iterator(FPath)) r.push_back(e.path().filename().string());
        return r;
    }

private:
    std::string FPath;
};

inline std::string ReadRaw(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteRaw(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One archive record: int32 LE number, six number bytes, length byte, ten date chars, three padding bytes.
inline std::string RawDraw(int32_t number, std::initializer_list<int> numbers, const std::string& date = "2021-03-27",
                           uint8_t pad = 0) {
    std::string r(24, '\0');
    uint32_t v = static_cast<uint32_t>(number);
    for (int i = 0; i < 4; ++i) r[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    size_t k = 4;
    for (int n : numbers) r[k++] = static_cast<char>(n);
    r[10] = static_cast<char>(date.size());
    for (size_t i = 0; i < date.size() && i < 10; ++i) r[11 + i] = date[i];
    for (size_t i = 21; i < 24; ++i) r[i] = static_cast<char>(pad);
    return r;
}

// Draws numbered first..last, each with six distinct numbers in a deliberately unsorted order.
inline std::string RawDrawRange(int first, int last) {
    std::string out;
    for (int d = first; d <= last; ++d) {
        int b = d % 52;
        out += RawDraw(
            d, {(b + 40) % 52 + 1, (b + 8) % 52 + 1, (b + 32) % 52 + 1, b + 1, (b + 24) % 52 + 1, (b + 16) % 52 + 1});
    }
    return out;
}

struct TRawRecord {
    int32_t Number;
    std::vector<int> Numbers;
    std::string Date;
};

inline std::vector<TRawRecord> DecodeRaw(const std::string& bytes) {
    std::vector<TRawRecord> r;
    for (size_t off = 0; off + 24 <= bytes.size(); off += 24) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + off);
        TRawRecord rec;
        rec.Number = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
        for (int i = 0; i < 6; ++i) rec.Numbers.push_back(p[4 + i]);
        rec.Date.assign(reinterpret_cast<const char*>(p + 11), std::min<size_t>(p[10], 10));
        r.push_back(rec);
    }
    return r;
}

} // namespace zorb::test
