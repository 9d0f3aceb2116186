#include "textview/RtfCodePages.h"

#include "data/Cp1250.h"
#include "textview/RtfReader.h"

namespace velmora {

namespace {

// Bytes 0x80..0xFF of the Western code page 1252, used when the platform's converters lack it
// (code page 1250, that of the Bosnian text, is the data module's).
constexpr char16_t kCp1252High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0,
    0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD,
    0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA,
    0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4,
    0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

bool isMultiByte(int cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361 || cp == 65001;
}

QByteArray converterName(int cp)
{
    switch (cp) {
    case 65001:
        return QByteArrayLiteral("UTF-8");
    case 932:
        return QByteArrayLiteral("Shift_JIS");
    case 936:
        return QByteArrayLiteral("GBK");
    case 949:
        return QByteArrayLiteral("windows-949");
    case 950:
        return QByteArrayLiteral("Big5");
    case 1361:
        return QByteArrayLiteral("johab");
    case 437:
        return QByteArrayLiteral("IBM437");
    case 850:
        return QByteArrayLiteral("IBM850");
    case 10000:
        return QByteArrayLiteral("macintosh");
    default:
        return QByteArrayLiteral("windows-") + QByteArray::number(cp);
    }
}

} // namespace

namespace rtf {

std::unique_ptr<CodePage> makeCodePage(int cp)
{
    auto page = std::make_unique<CodePage>();
    page->cp = cp;
    const QByteArray name = converterName(cp);
    if (isMultiByte(cp)) {
        auto dec = std::make_unique<QStringDecoder>(name.constData());
        if (dec->isValid()) {
            page->decoder = std::move(dec);
            return page;
        }
        cp = 1252; // no converter: read the bytes as Western text
    }
    QStringDecoder dec(name.constData(), QStringDecoder::Flag::Stateless);
    const char16_t *builtin = RtfReader::builtinHighHalf(cp);
    if (!dec.isValid() && !builtin)
        builtin = kCp1252High;
    for (int b = 0x80; b < 0x100; ++b) {
        char16_t u = 0xFFFD;
        if (dec.isValid()) {
            const char byte = char(b);
            const QString s = dec.decode(QByteArrayView(&byte, 1));
            if (s.size() == 1)
                u = s.at(0).unicode();
        } else {
            u = builtin[b - 0x80];
        }
        page->high[std::size_t(b - 0x80)] = u;
    }
    return page;
}

} // namespace rtf

using rtf::CodePage;
using rtf::makeCodePage;

int RtfReader::codePageForCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return 1252; // symbol fonts: the bytes stand for themselves
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

QString RtfReader::decode(int codePage, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    const std::unique_ptr<CodePage> page = makeCodePage(codePage > 0 ? codePage : 1252);
    if (page->decoder)
        return page->decoder->decode(bytes);
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const uchar b = uchar(c);
        out.append(QChar(b < 0x80 ? char16_t(b) : page->high[b - 0x80]));
    }
    return out;
}

const char16_t *RtfReader::builtinHighHalf(int codePage)
{
    switch (codePage) {
    case 1250:
        return data::cp1250::upperHalf();
    case 1252:
        return kCp1252High;
    default:
        return nullptr;
    }
}

} // namespace velmora
