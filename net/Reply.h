// Reading the maker's server replies: elements between an opening and a closing marker, found without regard
// to letter case, their values trimmed and unquoted.
#pragma once

#include <string>
#include <string_view>

namespace zorb {

// Mode for a missing closing marker: 0 raises, 2 takes the rest of the text, any other gives empty text.
std::string ElementValue(const std::string& text, const std::string& open, const std::string& close, int mode);
// The same, removing from `text` everything up to and including the element's closing marker.
std::string TakeElement(std::string& text, const std::string& open, const std::string& close, int mode);
std::string Unquote(const std::string& text);

// What an error message may quote of a server's reply: at most `maxChars` characters (a broken UTF-8 byte counts
// as one), with "…" when more was cut off; a cut-off reply can be megabytes long.
constexpr size_t QuotedReplyChars = 200;
std::string QuoteReply(std::string_view text, size_t maxChars = QuotedReplyChars);

} // namespace zorb
