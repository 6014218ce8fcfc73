// What travels between the program and the maker's server besides the form encoding: the request escaping of
// text fields, Base64, the UTC date texts and the checks both ends apply to hostile text.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <string_view>

namespace zorb {

// Control characters, quotes, "?" and the backslash as backslash sequences ("\n", "\"", "\\" ...).
std::string EscapeRequest(std::string_view text);
// The inverse; false on a sequence the escaping never writes (a lone trailing backslash, "\x").
bool UnescapeRequest(std::string_view text, std::string& out);

std::string Base64Encode(std::string_view bytes);
// Standard alphabet with "=" padding; line breaks are tolerated, anything else makes it false.
bool Base64Decode(std::string_view text, std::string& out);

// Unicode characters of valid UTF-8 text.
size_t Utf8Length(std::string_view text);
// Valid UTF-8 without control characters; line breaks (CR, LF) only when allowed.
bool IsCleanText(std::string_view text, bool allowLineBreaks);

// "yyyy-mm-dd hh:nn:ss" of a UTC time given as seconds since 1970.
std::string FormatUtcSeconds(int64_t seconds);
// A server date (UTC, read by position) as local time; empty text gives 0, a malformed one false.
bool ParseServerDate(std::string_view text, TDateTime& local);
// Local time as "yyyy-mm-dd hh:nn:ss"; empty when the time is 0 or less.
std::string FormatDateTime(TDateTime local);
TDateTime NowLocal();
// Seconds since 1970 of a local time, and back (file times).
int64_t LocalToUnixSeconds(TDateTime local);
TDateTime UnixSecondsToLocal(int64_t seconds);

} // namespace zorb
