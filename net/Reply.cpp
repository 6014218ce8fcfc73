#include "net/Reply.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

namespace zorb {

namespace {

size_t FindNoCase(const std::string& text, const std::string& what, size_t from) {
    if (what.empty()) return from <= text.size() ? from : std::string::npos;
    // Markers are ASCII; lowering both sides byte by byte keeps positions aligned.
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && lower(text[i + k]) == lower(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::string::npos;
}

// Finds the element; `end` is where the text to remove ends.
bool Locate(const std::string& text, const std::string& open, const std::string& close, int mode, std::string& value,
            size_t& end) {
    const size_t start = FindNoCase(text, open, 0);
    if (start == std::string::npos) return false;
    const size_t valueStart = start + open.size();
    if (close.empty()) {
        value = text.substr(valueStart);
        end = text.size();
        return true;
    }
    const size_t stop = FindNoCase(text, close, valueStart);
    if (stop == std::string::npos) {
        if (mode == 0)
            throw EZorbError(Format(Tr("Не удалось найти пару идентификаторов \"%1:s\" - \"%2:s\" в тексте\r\r[%0:s]!"),
                                    QuoteReply(text), QuoteReply(open), QuoteReply(close)));
        if (mode == 2) {
            value = text.substr(valueStart);
            end = text.size();
            return true;
        }
        value.clear();
        end = std::string::npos;
        return true;
    }
    value = text.substr(valueStart, stop - valueStart);
    end = stop + close.size();
    return true;
}

} // namespace

std::string QuoteReply(std::string_view text, size_t maxChars) {
    size_t i = 0;
    for (size_t chars = 0; i < text.size(); ++chars) {
        if (chars == maxChars) return std::string(text.substr(0, i)) + "…";
        const unsigned char lead = static_cast<unsigned char>(text[i++]);
        const size_t tail = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xC0 ? 1 : 0;
        for (size_t k = 0; k < tail && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; ++k)
            ++i;
    }
    return std::string(text);
}

std::string Unquote(const std::string& text) {
    std::string t = Trim(text);
    if (t.size() < 2 || t.front() != '"' || t.back() != '"') return t;
    const std::string inner = t.substr(1, t.size() - 2);
    std::string r;
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"') {
            if (i + 1 < inner.size() && inner[i + 1] == '"') {
                r += '"';
                ++i;
            }
            continue; // a single quote inside is dropped
        }
        r += inner[i];
    }
    return r;
}

std::string ElementValue(const std::string& text, const std::string& open, const std::string& close, int mode) {
    std::string value;
    size_t end;
    if (!Locate(text, open, close, mode, value, end)) return "";
    return Unquote(value);
}

std::string TakeElement(std::string& text, const std::string& open, const std::string& close, int mode) {
    std::string value;
    size_t end;
    if (!Locate(text, open, close, mode, value, end)) return "";
    if (end != std::string::npos) text.erase(0, end);
    return Unquote(value);
}

} // namespace zorb
