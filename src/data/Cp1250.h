#pragma once

#include <QChar>
#include <optional>

namespace velmora::data {

// The Central European ANSI code page (Windows-1250) in which the whole text is stored.
// Bytes below 0x80 are ASCII; the five bytes of the upper half that the code page leaves
// unassigned stand for the control characters of the same number.
namespace cp1250 {

// The byte that stands for `ch`, or nothing when the code page cannot represent it.
std::optional<unsigned char> encode(char16_t ch);
// The character that `byte` stands for.
QChar decode(unsigned char byte);
// The characters of the bytes 0x80 to 0xFF, in byte order (128 of them).
const char16_t *upperHalf();

} // namespace cp1250
} // namespace velmora::data
