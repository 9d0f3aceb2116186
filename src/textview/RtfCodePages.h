#pragma once

// The code pages of an RTF text: bytes of a single-byte page read through a table, those of a
// multi-byte page through a streaming converter. Used by the RTF reader.

#include <QStringDecoder>

#include <array>
#include <memory>

namespace velmora::rtf {

// One code page: a byte table for single-byte pages, a streaming converter for the others.
struct CodePage {
    int cp = 1252;
    std::array<char16_t, 128> high{};
    std::unique_ptr<QStringDecoder> decoder; // multi-byte pages only
};

// The code page `cp`, read as Western text (1252) where the platform has no converter for it.
std::unique_ptr<CodePage> makeCodePage(int cp);

} // namespace velmora::rtf
