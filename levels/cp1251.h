// Level titles are stored as bytes of the Windows Cyrillic code page (cp1251); the
// user interface and the text form of levels use UTF-8. These convert between the two.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace prismcrate {

// Every byte has a character: 0x00..0x7F are ASCII, 0x80..0xFF follow the code page, and
// 0x98 (unassigned there) becomes U+0098 so that it survives a round trip.
std::string cp1251ToUtf8(std::string_view bytes);

struct Cp1251Result {
    std::string bytes;
    // Characters that have no cp1251 byte (each written as '?'), and bytes of the input
    // that are not valid UTF-8 (each sequence written as '?').
    int unmappable = 0;
    bool invalidUtf8 = false;
    bool ok() const { return unmappable == 0 && !invalidUtf8; }
};

// Encodes UTF-8 text as cp1251; what cannot be encoded becomes '?' and is counted.
Cp1251Result utf8ToCp1251(std::string_view utf8);

// The cp1251 byte of a Unicode code point, or -1 when it has none.
int cp1251ByteOf(char32_t codePoint);

}  // namespace prismcrate
