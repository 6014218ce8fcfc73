// Reading the maker's server replies: elements between an opening and a closing marker, found without regard
// to letter case, their values trimmed and unquoted.
#pragma once

#include <string>

namespace zorb {

// Mode for a missing closing marker: 0 raises, 2 takes the rest of the text, any other gives empty text.
std::string ElementValue(const std::string& text, const std::string& open, const std::string& close, int mode);
// The same, removing from `text` everything up to and including the element's closing marker.
std::string TakeElement(std::string& text, const std::string& open, const std::string& close, int mode);
std::string Unquote(const std::string& text);

} // namespace zorb
