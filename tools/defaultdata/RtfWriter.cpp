#include "defaultdata/RtfWriter.h"

#include "data/Cp1250.h"

namespace velmora::data {

namespace {
// Central European ANSI: code page 1250, font charset 238, language Croatian (1050), which
// covers the Bosnian Latin alphabet.
constexpr char kHeader[] = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1050"
                           "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset238 Times New Roman;}"
                           "{\\f1\\fswiss\\fprq2\\fcharset238 Verdana;}}\r\n"
                           "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue128;"
                           "\\red128\\green0\\blue0;}\r\n";
constexpr char kPage[] = "\\paperw11906\\paperh16838\\margl1418\\margr1418\\margt1418\\margb1418"
                         "\\widowctrl\\viewkind4\\uc1\r\n";

QByteArray escapeChar(char16_t ch)
{
    switch (ch) {
    case u'\\':
        return QByteArrayLiteral("\\\\");
    case u'{':
        return QByteArrayLiteral("\\{");
    case u'}':
        return QByteArrayLiteral("\\}");
    case u'\t':
        return QByteArrayLiteral("\\tab ");
    case u'\r':
    case u'\n':
    case 0x2028:
    case 0x2029:
        return QByteArrayLiteral(" ");
    default:
        break;
    }
    if (ch < 0x20 || ch == 0x7F)
        return {};
    if (const auto byte = cp1250::encode(ch)) {
        if (*byte < 0x80)
            return QByteArray(1, char(*byte));
        return QByteArrayLiteral("\\'") + QByteArray::number(*byte, 16).rightJustified(2, '0');
    }
    // Not in the code page: the Unicode value as a signed 16-bit number, then a stand-in.
    const int value = ch > 0x7FFF ? int(ch) - 0x10000 : int(ch);
    QByteArray out = QByteArrayLiteral("\\u") + QByteArray::number(value);
    QByteArray standIn = QByteArrayLiteral("?");
    const QString decomposition = QChar(ch).decomposition();
    if (!decomposition.isEmpty()) {
        if (const auto base = cp1250::encode(decomposition.at(0).unicode()); base && *base >= 0x20) {
            standIn = *base < 0x80 ? QByteArray(1, char(*base))
                                   : QByteArrayLiteral("\\'") + QByteArray::number(*base, 16);
        }
    }
    // A stand-in letter would merge with the control word: "\u257a" reads as one word.
    if (standIn.at(0) != '\\')
        out += ' ';
    return out + standIn;
}
} // namespace

RtfWriter::RtfWriter(const QString &documentTitle)
{
    m_out.reserve(2 * 1024 * 1024);
    m_out += kHeader;
    m_out += "{\\info{\\title " + escapeText(documentTitle) + "}}\r\n";
    m_out += kPage;
}

QString RtfWriter::marker(int surah, int ayah)
{
    return QString::number(surah) + QLatin1Char(':') + QString::number(ayah) + QLatin1Char('.');
}

QByteArray RtfWriter::escapeText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    for (const QChar ch : text)
        out += escapeChar(ch.unicode());
    return out;
}

void RtfWriter::appendRaw(const QByteArray &bytes)
{
    m_out += bytes;
    m_lineLength += int(bytes.size());
}

void RtfWriter::appendText(const QString &text)
{
    for (const QChar ch : text) {
        const QByteArray escaped = escapeChar(ch.unicode());
        appendRaw(escaped);
        // Break the source line after a blank of the text: the blank stays text, the line
        // break that follows it is ignored by every reader.
        if (escaped == " " && m_lineLength >= kWrapColumn) {
            m_out += "\r\n";
            m_lineLength = 0;
        }
    }
}

void RtfWriter::beginParagraph(const char *formatting)
{
    appendRaw(QByteArrayLiteral("\\pard"));
    appendRaw(QByteArray(formatting));
    appendRaw(QByteArrayLiteral(" "));
}

void RtfWriter::endParagraph()
{
    m_out += "\\par\r\n";
    m_lineLength = 0;
}

void RtfWriter::title(const QString &text)
{
    beginParagraph("\\qc\\sb240\\sa240\\plain\\f1\\fs40\\b\\cf2");
    appendText(text);
    endParagraph();
}

void RtfWriter::subtitle(const QString &text)
{
    beginParagraph("\\qc\\sa480\\plain\\f1\\fs22\\cf1");
    appendText(text);
    endParagraph();
}

void RtfWriter::heading(const QString &text)
{
    beginParagraph("\\keepn\\qc\\sb480\\sa60\\plain\\f1\\fs28\\b\\cf2");
    appendText(text);
    endParagraph();
}

void RtfWriter::note(const QString &text)
{
    beginParagraph("\\keepn\\qc\\sa240\\plain\\f0\\fs20\\i\\cf1");
    appendText(text);
    endParagraph();
}

void RtfWriter::bismillah(const QString &text)
{
    beginParagraph("\\keepn\\qc\\sa180\\plain\\f0\\fs24\\i\\cf3");
    appendText(text);
    endParagraph();
}

void RtfWriter::ayah(int surah, int ayah, const QString &text)
{
    // Hanging indent: the marker stands in the margin, the text aligned at the tab stop.
    beginParagraph("\\fi-851\\li851\\tx851\\sa60\\plain\\f0\\fs24\\cf1");
    appendRaw(QByteArrayLiteral("\\b ") + marker(surah, ayah).toLatin1() + QByteArrayLiteral("\\b0\\tab "));
    appendText(text);
    endParagraph();
}

void RtfWriter::emptyParagraph()
{
    m_out += "\\pard\\plain\\f0\\fs24\\par\r\n";
    m_lineLength = 0;
}

QByteArray RtfWriter::finish()
{
    if (!m_finished) {
        m_out += "}\r\n";
        m_finished = true;
    }
    return m_out;
}

} // namespace velmora::data
