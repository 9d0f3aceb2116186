#pragma once

#include <QChar>
#include <optional>

namespace velmora::data {

// The Central European ANSI code page (Windows-1250) in which the whole text is stored.
// Bytes below 0x80 are ASCII; five bytes of the upper half are unassigned.
namespace cp1250 {

// The byte that stands for `ch`, or nothing when the code page cannot represent it.
std::optional<unsigned char> encode(char16_t ch);
// The character that `byte` stands for; U+FFFD for the unassigned bytes.
QChar decode(unsigned char byte);

} // namespace cp1250
} // namespace velmora::data
