// The draw archive: its file form (24-byte records, oldest first, no header) and the operations that place
// work in time relative to the draws offset. Offset j names the draw at index n - 1 - j.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <string_view>

namespace zorb {

constexpr size_t DrawRecordSize = sizeof(TDrawRec);

// Decodes whole records into `draws` (replacing its contents); a trailing partial record raises after the whole
// records have been stored.
void DecodeDraws(std::string_view bytes, TDrawsArray& draws);
std::string EncodeDraws(const TDrawsArray& draws);

// A missing file gives an empty archive.
void LoadDrawsFile(const std::string& path, TDrawsArray& draws);
void SaveDrawsFile(const std::string& path, const TDrawsArray& draws);

// Array index of the draw with this number, or -1; guesses the position from the number range but finds a
// number that is out of order too.
int FindDraw(const TDrawsArray& draws, int number);
// Raises "Запись со индексом %d в файле данных не найдена!" for an index outside the archive.
void RemoveDraw(TDrawsArray& draws, int index);

TComb DrawNumbersAtOffset(const TDrawsArray& draws, int offset);
int NextDrawNumber(const TDrawsArray& draws, int offset);
std::string HiddenDrawText(const TDrawsArray& draws, int offset);
TNumberMask HiddenDrawMask(const TDrawsArray& draws, int offset);

} // namespace zorb
