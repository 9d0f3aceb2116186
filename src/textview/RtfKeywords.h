#pragma once

// The control words of RTF that the reader knows, and the special characters some of them stand
// for.

#include <string_view>
#include <unordered_map>

namespace velmora::rtf {

// clang-format off
enum class Kw {
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Bin, FontTbl, ColorTbl, SkipDest, FCharset, Cpg,
    FNil, FRoman, FSwiss, FModern, FScript, FDecor, FTech, Red, Green, Blue, Plain, F, Fs, B, I,
    Ul, UlNone, Strike, Cf, Cb, V, Super, Sub, NoSuperSub, Par, Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi,
    Sb, Sa, Sl, SlMult, Tx, Tqr, Tqc, Tqdec, RtlPar, LtrPar, Line, Tab, Cell, Char,
    // Char: a special character, see specialChar()
};
// clang-format on

const std::unordered_map<std::string_view, Kw> &keywords();
// The character a special-character word stands for (\emdash ...), or 0.
char16_t specialChar(std::string_view w);

} // namespace velmora::rtf
