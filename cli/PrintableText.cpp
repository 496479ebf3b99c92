#include "cli/PrintableText.h"

#include <cstdio>

namespace terminal {

namespace {
std::string Escaped(const char* format, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Returns the length of the valid UTF-8 sequence at text[i] (1 to 4), or 0.
size_t SequenceLength(const std::string& text, size_t i)
{
    const auto byte = [&text](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned lead = byte(i);
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}
}  // namespace

std::string Printable(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c >= 0x20 && c < 0x7F)) {
            out += text[i++];
            continue;
        }
        if (c < 0x80) {
            out += Escaped("\\x%02x", c);
            ++i;
            continue;
        }
        const size_t length = SequenceLength(text, i);
        if (length == 0) {
            out += Escaped("\\x%02x", c);
            ++i;
        } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            out += Escaped("\\u%04x", static_cast<unsigned char>(text[i + 1]));  // C1 control
            i += 2;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string WithoutCarriageReturns(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

}  // namespace terminal
