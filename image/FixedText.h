// Fixed-width text members of the image header.
//
// In memory a member is UTF-8 text of exactly its width in characters,
// NUL-padded; on disk it is one Windows-1252 byte per character, the code
// page of the Windows systems that wrote the existing images.
#pragma once

#include <cstddef>
#include <string>

// Returns the characters of Text before its first NUL; Text itself when it
// holds no NUL; "" when Text is empty.
std::string CutAtNul(const std::string& Text);

// Field (N characters on entry) becomes Text followed by |N - length of Text|
// NUL characters. The caller keeps the first N characters (FixedText).
void PadWithNul(const std::string& Text, std::string& Field);

// Returns what a member of Width characters holds for Text: Text cut to Width
// characters, NUL-padded when shorter.
std::string FixedText(const std::string& Text, size_t Width);

// Returns the number of characters of UTF-8 Text; a byte that starts no valid
// sequence counts as one character.
size_t CharCount(const std::string& Text);

// Returns exactly Width Windows-1252 bytes for UTF-8 Text: one per character,
// "?" for a character the code page cannot hold, NUL bytes after the text.
std::string EncodeCp1252(const std::string& Text, size_t Width);

// Returns the UTF-8 text of Windows-1252 bytes, one character per byte.
std::string DecodeCp1252(const std::string& Bytes);
