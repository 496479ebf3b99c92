#include "image/FixedText.h"

#include <array>
#include <cstdint>

namespace {

// Code points of the bytes 0x80..0x9F. The five bytes the code page leaves
// undefined map to the control characters of the same number, as Windows
// does, so they survive a round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Returns the byte length of the UTF-8 sequence at pos (at least 1) and sets
// cp to its code point, or to kInvalid for a byte that starts no valid one.
size_t DecodeAt(const std::string& text, size_t pos, char32_t& cp)
{
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(pos);
    cp = kInvalid;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 1;
    }
    if (pos + length > text.size())
        return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 1;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 1;
    cp = value;
    return length;
}

// Returns the byte offset after the first `count` characters of text.
size_t OffsetOfChar(const std::string& text, size_t count)
{
    size_t pos = 0;
    char32_t cp;
    for (size_t n = 0; n < count && pos < text.size(); ++n)
        pos += DecodeAt(text, pos, cp);
    return pos;
}

// Returns the Windows-1252 byte for a code point, '?' when there is none.
char ToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

// Appends the UTF-8 form of a code point below 0x10000 to out.
void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string CutAtNul(const std::string& Text)
{
    return Text.substr(0, Text.find('\0'));
}

void PadWithNul(const std::string& Text, std::string& Field)
{
    const size_t width = CharCount(Field);
    const size_t length = CharCount(Text);
    Field = Text + std::string(width > length ? width - length : length - width, '\0');
}

std::string FixedText(const std::string& Text, size_t Width)
{
    std::string field(Width, '\0');
    PadWithNul(Text, field);
    return field.substr(0, OffsetOfChar(field, Width));
}

size_t CharCount(const std::string& Text)
{
    size_t count = 0;
    char32_t cp;
    for (size_t pos = 0; pos < Text.size(); ++count)
        pos += DecodeAt(Text, pos, cp);
    return count;
}

std::string EncodeCp1252(const std::string& Text, size_t Width)
{
    std::string bytes;
    char32_t cp;
    for (size_t pos = 0; pos < Text.size() && bytes.size() < Width;) {
        pos += DecodeAt(Text, pos, cp);
        bytes += ToCp1252(cp);
    }
    bytes.resize(Width, '\0');
    return bytes;
}

std::string DecodeCp1252(const std::string& Bytes)
{
    std::string text;
    for (const char c : Bytes) {
        const auto byte = static_cast<uint8_t>(c);
        AppendUtf8(text, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
    }
    return text;
}
