// The RTF reader: any bytes are read into a text document. Input that does not start like RTF
// is refused and leaves the document as it was; input that does is read, whatever it holds,
// and read again into the same document gives the same text. The code page decoders the
// reader uses for "\'xx" escapes and 8-bit text get the input's bytes as well.

#include "FuzzSupport.h"

#include "textview/RtfReader.h"

#include <QTextDocument>

using velmora::RtfReader;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    velmora::fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = velmora::fuzz::bytes(data, size);

    QTextDocument doc;
    const QString before = QStringLiteral("before");
    doc.setPlainText(before);
    QString error;
    const bool read = RtfReader::read(input, &doc, &error);
    FUZZ_CHECK(read == RtfReader::looksLikeRtf(input));
    if (!read) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(doc.toPlainText() == before);
    } else {
        const QString text = doc.toPlainText();
        FUZZ_CHECK(RtfReader::read(input, &doc, nullptr));
        FUZZ_CHECK(doc.toPlainText() == text);
    }

    // The code pages of the \fcharset values, and a few the reader knows by number.
    static const int codePages[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257,
                                    1258, 874,  932,  936,  949,  950,  437,  10000};
    const int pick = size > 0 ? data[0] : 0;
    const int codePage = codePages[pick % int(std::size(codePages))];
    const QString decoded = RtfReader::decode(codePage, input);
    const bool multiByte = codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
    if (!multiByte)
        FUZZ_CHECK(decoded.size() == input.size()); // a single-byte page: one character per byte
    RtfReader::decode(RtfReader::codePageForCharset(pick), input.left(64));
    return 0;
}
