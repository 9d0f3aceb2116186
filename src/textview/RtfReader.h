#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace velmora {

// Reads Rich Text Format into a QTextDocument.
//
// Understood: groups and destinations (font table, colour table; style sheet, document
// information, pictures, headers, footnotes, field instructions and every ignorable "\*"
// destination are skipped), the document code page (\ansi, \ansicpg, \mac, \pc, \pca) and each
// font's own code page (\fcharset, \cpg) for "\'xx" escapes and 8-bit text, Unicode escapes
// (\uN with \ucN fallback skipping), paragraph ends (\par, \page, \sect, \row), line breaks
// (\line), tabs, character formatting (\plain \f \fs \b \i \ul \ulnone \strike \cf \cb
// \highlight \super \sub \v) and paragraph formatting (\pard \ql \qc \qr \qj \li \ri \fi \sb
// \sa \sl \slmult \tx \rtlpar) and the special characters (\~ \- \_ \emdash \endash \bullet
// the quotes and spaces). Everything else is ignored.
//
// Malformed input never makes the reader fail: unbalanced braces, a truncated file or binary
// garbage give whatever text could be read. Work is linear in the size of the input.
class RtfReader {
public:
    // True when `data` starts like an RTF file ("{\rtf", optionally after blanks).
    static bool looksLikeRtf(const QByteArray &data);

    // Replaces the content of `doc` with the RTF in `data`, inside one edit block. Returns
    // false and leaves `doc` alone when `data` is not RTF at all.
    static bool read(const QByteArray &data, QTextDocument *doc, QString *error = nullptr);

    // The Windows code page that a \fcharset value stands for; 0 for the document's own code
    // page (DEFAULT_CHARSET and unknown values).
    static int codePageForCharset(int charset);
    // Decodes bytes of a Windows code page (1250, 1252, 932, ...). Unknown code pages decode
    // as 1252.
    static QString decode(int codePage, const QByteArray &bytes);
    // The built-in table of a single-byte code page for bytes 0x80..0xFF (used when the
    // platform has no converter for it); null for code pages without a built-in table.
    static const char16_t *builtinHighHalf(int codePage);
};

} // namespace velmora
