// Extraction of chosen files from a ZIP archive, flat into one directory.
#pragma once

#include <string>
#include <vector>

namespace zorb {

// Extracts every entry whose file name (without its folders) starts with `prefix` and ends with `suffix`, letter
// case ignored, into `dir`, replacing files of the same name. Raises on a damaged archive and refuses an archive
// whose matching entries name a parent folder or an absolute path. Returns the paths written.
std::vector<std::string> ExtractMatching(const std::string& zipPath, const std::string& dir, const std::string& prefix,
                                         const std::string& suffix);

} // namespace zorb
