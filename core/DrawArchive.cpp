#include "core/DrawArchive.h"

#include "core/ByteRecord.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <cmath>
#include <cstring>

namespace zorb {

void DecodeDraws(std::string_view bytes, TDrawsArray& draws) {
    size_t count = bytes.size() / DrawRecordSize;
    draws.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const char* p = bytes.data() + i * DrawRecordSize;
        TDrawRec& r = draws[i];
        r.Draw = GetI32(p);
        std::memcpy(r.Numbers, p + 4, DrawRecordSize - 4);
    }
    size_t rest = bytes.size() % DrawRecordSize;
    if (rest != 0)
        throw EZorbError(Format(Tr("Неполная запись в конце файла: %d байт вместо %d"), static_cast<int>(rest),
                                static_cast<int>(DrawRecordSize)));
}

std::string EncodeDraws(const TDrawsArray& draws) {
    std::string out(draws.size() * DrawRecordSize, '\0');
    for (size_t i = 0; i < draws.size(); ++i) {
        char* p = out.data() + i * DrawRecordSize;
        PutI32(p, draws[i].Draw);
        std::memcpy(p + 4, draws[i].Numbers, DrawRecordSize - 4);
    }
    return out;
}

void LoadDrawsFile(const std::string& path, TDrawsArray& draws) {
    draws.clear();
    if (!FileExists(path)) return;
    DecodeDraws(ReadFileBytes(path), draws);
}

void SaveDrawsFile(const std::string& path, const TDrawsArray& draws) {
    WriteFileAtomic(path, EncodeDraws(draws));
}

int FindDraw(const TDrawsArray& draws, int number) {
    const int n = static_cast<int>(draws.size());
    if (n == 0) return -1;
    const int first = draws[0].Draw, last = draws[n - 1].Draw;
    if (number == first) return 0;
    if (number == last) return n - 1;
    double span = static_cast<double>(last) - first + 1;
    int guess = n - 1;
    if (span > 0) {
        double g = std::trunc(static_cast<double>(n) * (static_cast<double>(number) - first) / span);
        if (g >= 0 && g <= n - 1) guess = static_cast<int>(g);
    }
    if (draws[guess].Draw < number) {
        for (int i = guess; i < n; ++i)
            if (draws[i].Draw == number) return i;
    } else {
        for (int i = guess; i >= 0; --i)
            if (draws[i].Draw == number) return i;
    }
    for (int i = n - 1; i >= 0; --i)
        if (draws[i].Draw == number) return i;
    return -1;
}

void RemoveDraw(TDrawsArray& draws, int index) {
    if (index < 0 || index >= static_cast<int>(draws.size()))
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    draws.erase(draws.begin() + index);
}

TComb DrawNumbersAtOffset(const TDrawsArray& draws, int offset) {
    const int n = static_cast<int>(draws.size());
    if (offset < 0 || offset >= n) return TComb{};
    return DrawNumbers(draws[n - 1 - offset]);
}

int NextDrawNumber(const TDrawsArray& draws, int offset) {
    const int n = static_cast<int>(draws.size());
    if (n == 0) return 1;
    if (offset < 0 || offset >= n) return -1;
    return draws[n - 1 - offset].Draw + 1;
}

std::string HiddenDrawText(const TDrawsArray& draws, int offset) {
    const int n = static_cast<int>(draws.size());
    if (n == 0 || offset <= 0 || offset >= n) return "";
    return CombToList(DrawNumbers(draws[n - offset]));
}

TNumberMask HiddenDrawMask(const TDrawsArray& draws, int offset) {
    TNumberMask m{};
    const int n = static_cast<int>(draws.size());
    if (n == 0 || offset <= 0 || offset >= n) return m;
    for (uint8_t x : draws[n - offset].Numbers) m.Include(x);
    return m;
}

} // namespace zorb
