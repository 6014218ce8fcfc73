// Extraction of chosen files from a ZIP archive, flat into one directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorb {

// What an archive may expand to: an entry larger than MaxEntryBytes (declared or actually read), or one over
// RatioFreeBytes whose size passes MaxRatio times its compressed size (a "zip bomb"), refuses the archive.
struct TZipLimits {
    uint64_t MaxEntryBytes = 256ull << 20;
    uint64_t RatioFreeBytes = 1ull << 20;
    uint64_t MaxRatio = 200;
};

// Extracts every entry whose file name (without its folders) starts with `prefix` and ends with `suffix`, letter
// case ignored, into `dir`, replacing files of the same name. Raises on a damaged archive and refuses an archive
// whose matching entries name a parent folder or an absolute path, or pass the limits; a refused archive writes
// nothing. Returns the paths written.
std::vector<std::string> ExtractMatching(const std::string& zipPath, const std::string& dir, const std::string& prefix,
                                         const std::string& suffix, const TZipLimits& limits = {});

} // namespace zorb
