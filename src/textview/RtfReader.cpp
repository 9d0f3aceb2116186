#include "textview/RtfReader.h"

#include "textview/RtfCodePages.h"
#include "textview/RtfFormats.h"
#include "textview/RtfKeywords.h"

#include "data/Cp1250.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <array>
#include <climits>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace velmora {

namespace {

using namespace rtf;

enum class Dest : quint8 { Text, FontTable, ColorTable };

struct State {
    Dest dest = Dest::Text;
    int uc = 1;
    int cp = 0; // code page of the current font; 0 until needed
    CharProps chr;
    ParaProps para;
};

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(const QByteArray &data, QTextDocument *doc)
        : m_data(data.constData()), m_size(data.size()), m_cursor(doc)
    {
    }

    void run();

private:
    // Input.
    void parse();
    void readWord(std::string_view &word, bool &hasParam, int &param);
    void controlWord();
    void controlSymbol(char c);
    void openGroup();
    void closeGroup();
    void skipGroup(bool popState);
    void textByte(uchar b);

    // Output.
    int codePage();
    CodePage &page(int cp);
    void put(char16_t c);
    void appendRaw(char16_t c);
    void flushRun();
    void endParagraph();
    void emitParagraph();
    const QTextCharFormat &charFormat(const CharProps &p);
    const QTextBlockFormat &blockFormat(const ParaProps &p);

    void setDocumentCodePage(int cp)
    {
        m_ansiCpg = cp;
        m_st.cp = 0;
    }

    // Tables.
    void fontKeyword(Kw kw, bool hasParam, int param);
    void commitFont();
    QString decodeName(int cp, const QByteArray &bytes);
    void colorByte(char c);

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_done = false;

    State m_st;
    QList<State> m_stack;
    static constexpr qsizetype kMaxDepth = 512;

    int m_ansiCpg = 1252;
    int m_deff = 0;
    int m_skip = 0; // fallback characters still to skip after \uN
    bool m_ignorable = false;
    bool m_propsDirty = true;

    QHash<int, Font> m_fonts;
    bool m_fontOpen = false;
    int m_fontNum = -1;
    Font m_font;
    QByteArray m_fontName;

    QList<QColor> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    QHash<int, std::shared_ptr<CodePage>> m_pages;
    CodePage *m_lastPage = nullptr;
    // Code pages of font names, apart from those of the text so that a multi-byte
    // converter's state in the text is not disturbed by a name.
    QHash<int, std::shared_ptr<CodePage>> m_namePages;
    bool m_mbPending = false; // a lead byte of a multi-byte character waits for its trail
    int m_mbCp = 0;
    char16_t m_pendingHigh = 0;

    QTextCursor m_cursor;
    bool m_firstBlock = true;
    QString m_run;
    CharProps m_runProps;
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    QList<Run> m_runs;
    QHash<CharProps, QTextCharFormat> m_charFormats;
    CharProps m_lastCharKey;
    QTextCharFormat m_lastCharFormat;
    bool m_haveLastChar = false;
    ParaProps m_lastParaKey;
    QTextBlockFormat m_lastBlockFormat;
    bool m_haveLastBlock = false;
};

void Parser::run()
{
    m_cursor.beginEditBlock();
    parse();
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        appendRaw(0xFFFD);
    }
    flushRun();
    emitParagraph();
    m_cursor.endEditBlock();
}

void Parser::parse()
{
    // Anything in front of the outermost group is not part of the document.
    while (m_pos < m_size && m_data[m_pos] != '{')
        ++m_pos;
    while (m_pos < m_size && !m_done) {
        const char c = m_data[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            openGroup();
            break;
        case '}':
            ++m_pos;
            closeGroup();
            break;
        case '\\':
            ++m_pos;
            if (m_pos >= m_size)
                return;
            if (isLetter(m_data[m_pos]))
                controlWord();
            else
                controlSymbol(m_data[m_pos++]);
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            ++m_pos;
            m_ignorable = false;
            if (c == '\t')
                textByte('\t');
            else if (uchar(c) >= 0x20)
                textByte(uchar(c));
            break;
        }
    }
}

void Parser::openGroup()
{
    m_skip = 0;
    m_ignorable = false;
    if (m_stack.size() >= kMaxDepth) {
        skipGroup(false);
        return;
    }
    m_stack.append(m_st);
}

void Parser::closeGroup()
{
    m_skip = 0;
    m_ignorable = false;
    if (m_stack.isEmpty())
        return;
    if (m_st.dest == Dest::FontTable)
        commitFont();
    m_st = m_stack.takeLast();
    m_propsDirty = true;
    if (m_stack.isEmpty())
        m_done = true; // the outermost group is closed: the document ends here
}

// Passes over the rest of the current group without interpreting it.
void Parser::skipGroup(bool popState)
{
    int depth = 1;
    while (m_pos < m_size) {
        const char c = m_data[m_pos++];
        if (c == '\\') {
            if (m_pos >= m_size)
                break;
            if (isLetter(m_data[m_pos])) {
                std::string_view word;
                bool hasParam = false;
                int param = 0;
                readWord(word, hasParam, param);
                if (word == "bin" && hasParam && param > 0)
                    m_pos += qMin<qsizetype>(param, m_size - m_pos);
            } else {
                ++m_pos;
            }
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                if (popState)
                    closeGroup();
                return;
            }
        }
    }
    m_pos = m_size;
}

void Parser::readWord(std::string_view &word, bool &hasParam, int &param)
{
    const qsizetype start = m_pos;
    while (m_pos < m_size && isLetter(m_data[m_pos]))
        ++m_pos;
    word = std::string_view(m_data + start, std::size_t(m_pos - start));
    hasParam = false;
    param = 0;
    bool negative = false;
    if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    qint64 value = 0;
    while (m_pos < m_size && isDigit(m_data[m_pos])) {
        hasParam = true;
        if (value < INT_MAX)
            value = value * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    if (hasParam) {
        value = qMin<qint64>(value, INT_MAX);
        param = int(negative ? -value : value);
    }
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos;
}

void Parser::controlSymbol(char c)
{
    if (c == '*') {
        m_ignorable = true;
        return;
    }
    m_ignorable = false;
    if (c == '\'') {
        if (m_pos + 1 < m_size) {
            const int hi = hexValue(m_data[m_pos]);
            const int lo = hexValue(m_data[m_pos + 1]);
            if (hi >= 0 && lo >= 0) {
                m_pos += 2;
                textByte(uchar(hi * 16 + lo));
                return;
            }
        }
        return; // a broken escape is dropped
    }
    if (c == '\\' || c == '{' || c == '}') {
        textByte(uchar(c));
        return;
    }
    if (m_st.dest != Dest::Text)
        return;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    switch (c) {
    case '~':
        put(0x00A0);
        break;
    case '-':
        put(0x00AD);
        break;
    case '_':
        put(0x2011);
        break;
    case '\t':
        put('\t');
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    default:
        break;
    }
}

void Parser::controlWord()
{
    std::string_view word;
    bool hasParam = false;
    int param = 0;
    readWord(word, hasParam, param);
    m_propsDirty = true;

    const auto &map = keywords();
    const auto it = map.find(word);
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    if (it == map.end()) {
        // An unknown word after "\*" opens a destination that may be skipped; any other
        // unknown word is ignored, its group's text is kept.
        if (ignorable && m_stack.size() >= 2)
            skipGroup(true);
        else if (m_skip > 0 && m_st.dest == Dest::Text)
            --m_skip;
        return;
    }
    const Kw kw = it->second;
    if (kw == Kw::Bin) {
        if (hasParam && param > 0)
            m_pos += qMin<qsizetype>(param, m_size - m_pos);
        return;
    }
    if (ignorable || kw == Kw::SkipDest) {
        if (m_stack.size() >= 2)
            skipGroup(true);
        return;
    }
    if (m_st.dest == Dest::FontTable) {
        fontKeyword(kw, hasParam, param);
        return;
    }
    if (m_st.dest == Dest::ColorTable) {
        const int v = qBound(0, param, 255);
        if (kw == Kw::Red)
            m_red = v;
        else if (kw == Kw::Green)
            m_green = v;
        else if (kw == Kw::Blue)
            m_blue = v;
        else
            return;
        m_colorSet = true;
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }

    CharProps &chr = m_st.chr;
    ParaProps &para = m_st.para;
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::Ansi:
        setDocumentCodePage(1252);
        break;
    case Kw::Mac:
        setDocumentCodePage(10000);
        break;
    case Kw::Pc:
        setDocumentCodePage(437);
        break;
    case Kw::Pca:
        setDocumentCodePage(850);
        break;
    case Kw::AnsiCpg:
        if (param > 0)
            setDocumentCodePage(param);
        break;
    case Kw::Deff:
        m_deff = qMax(0, param);
        m_st.cp = 0;
        break;
    case Kw::Uc:
        m_st.uc = qBound(0, param, 16);
        break;
    case Kw::U: {
        int u = param;
        if (u < 0)
            u += 65536;
        if (u >= 0 && u <= 0xFFFF)
            put(char16_t(u));
        m_skip = m_st.uc;
        break;
    }
    case Kw::FontTbl:
        if (m_stack.size() >= 2) {
            m_st.dest = Dest::FontTable;
            m_fontOpen = false;
        }
        break;
    case Kw::ColorTbl:
        if (m_stack.size() >= 2) {
            m_st.dest = Dest::ColorTable;
            m_colors.clear();
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        break;
    case Kw::Plain:
        chr = CharProps();
        m_st.cp = 0;
        break;
    case Kw::F:
        chr.font = qMax(0, param);
        m_st.cp = 0;
        break;
    case Kw::Fs:
        chr.halfPoints = (param <= 0) ? 24 : qMin(param, 3276);
        break;
    case Kw::B:
        chr.bold = on;
        break;
    case Kw::I:
        chr.italic = on;
        break;
    case Kw::Ul:
        chr.underline = on;
        break;
    case Kw::UlNone:
        chr.underline = false;
        break;
    case Kw::Strike:
        chr.strike = on;
        break;
    case Kw::Cf:
        chr.color = qMax(0, param);
        break;
    case Kw::Cb:
        chr.background = qMax(0, param);
        break;
    case Kw::V:
        chr.hidden = on;
        break;
    case Kw::Super:
        chr.vAlign = 1;
        break;
    case Kw::Sub:
        chr.vAlign = 2;
        break;
    case Kw::NoSuperSub:
        chr.vAlign = 0;
        break;
    case Kw::Par:
        endParagraph();
        break;
    case Kw::Pard:
        para = ParaProps();
        break;
    case Kw::Ql:
        para.align = 0;
        break;
    case Kw::Qc:
        para.align = 1;
        break;
    case Kw::Qr:
        para.align = 2;
        break;
    case Kw::Qj:
        para.align = 3;
        break;
    case Kw::Li:
        para.left = qBound(-31680, param, 31680);
        break;
    case Kw::Ri:
        para.right = qBound(-31680, param, 31680);
        break;
    case Kw::Fi:
        para.first = qBound(-31680, param, 31680);
        break;
    case Kw::Sb:
        para.before = qBound(0, param, 31680);
        break;
    case Kw::Sa:
        para.after = qBound(0, param, 31680);
        break;
    case Kw::Sl:
        para.lineSpacing = qBound(-31680, param, 31680);
        break;
    case Kw::SlMult:
        para.lineMultiple = on;
        break;
    case Kw::Tx:
        if (para.tabs.size() < 64 && param > 0)
            para.tabs.append(
                QTextOption::Tab(px(qMin(param, 31680)), para.nextTabType,
                                 para.nextTabType == QTextOption::DelimiterTab ? QChar(u'.') : QChar()));
        para.nextTabType = QTextOption::LeftTab;
        break;
    case Kw::Tqr:
        para.nextTabType = QTextOption::RightTab;
        break;
    case Kw::Tqc:
        para.nextTabType = QTextOption::CenterTab;
        break;
    case Kw::Tqdec:
        para.nextTabType = QTextOption::DelimiterTab;
        break;
    case Kw::RtlPar:
        para.rtl = true;
        break;
    case Kw::LtrPar:
        para.rtl = false;
        break;
    case Kw::Line:
        put(QChar::LineSeparator);
        break;
    case Kw::Tab:
    case Kw::Cell:
        put('\t');
        break;
    case Kw::Char:
        put(specialChar(word));
        break;
    default:
        break;
    }
}

void Parser::fontKeyword(Kw kw, bool hasParam, int param)
{
    switch (kw) {
    case Kw::F:
        if (m_fontOpen)
            commitFont();
        m_fontOpen = true;
        m_fontNum = qMax(0, param);
        m_font = Font();
        m_fontName.clear();
        break;
    case Kw::FCharset:
        m_font.charset = hasParam ? param : -1;
        break;
    case Kw::Cpg:
        m_font.cpg = qMax(0, param);
        break;
    case Kw::FRoman:
        m_font.hint = QFont::Serif;
        break;
    case Kw::FSwiss:
        m_font.hint = QFont::SansSerif;
        break;
    case Kw::FModern:
        m_font.hint = QFont::TypeWriter;
        break;
    case Kw::FScript:
        m_font.hint = QFont::Cursive;
        break;
    case Kw::FDecor:
        m_font.hint = QFont::Decorative;
        break;
    default:
        break;
    }
}

void Parser::commitFont()
{
    if (!m_fontOpen)
        return;
    m_fontOpen = false;
    int cp = m_font.cpg;
    if (cp <= 0)
        cp = RtfReader::codePageForCharset(m_font.charset);
    if (cp <= 0)
        cp = m_ansiCpg;
    if (m_fonts.size() < 4096 || m_fonts.contains(m_fontNum)) {
        m_font.name = decodeName(cp, m_fontName).trimmed();
        m_fonts.insert(m_fontNum, m_font);
    }
    m_fontName.clear();
}

// A font name in code page `cp`. Each code page's table is made once per document: a font
// table may name thousands of fonts.
QString Parser::decodeName(int cp, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    if (cp <= 0)
        cp = 1252;
    auto it = m_namePages.find(cp);
    if (it == m_namePages.end())
        it = m_namePages.insert(cp, std::shared_ptr<CodePage>(makeCodePage(cp)));
    CodePage &pg = **it;
    if (pg.decoder) {
        pg.decoder->resetState();
        return pg.decoder->decode(bytes);
    }
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const uchar b = uchar(c);
        out.append(QChar(b < 0x80 ? char16_t(b) : pg.high[b - 0x80]));
    }
    return out;
}

void Parser::colorByte(char c)
{
    if (c != ';')
        return;
    if (m_colors.size() < 65536)
        m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

void Parser::textByte(uchar b)
{
    switch (m_st.dest) {
    case Dest::FontTable:
        if (b == ';')
            commitFont();
        else if (m_fontOpen && m_fontName.size() < 256)
            m_fontName.append(char(b));
        return;
    case Dest::ColorTable:
        colorByte(char(b));
        return;
    case Dest::Text:
        break;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (b < 0x80 && !m_mbPending) {
        put(b);
        return;
    }
    const int cp = codePage();
    CodePage &pg = page(cp);
    if (!pg.decoder) {
        m_mbPending = false;
        put(b < 0x80 ? char16_t(b) : pg.high[b - 0x80]);
        return;
    }
    if (m_mbCp != cp) {
        pg.decoder->resetState();
        m_mbCp = cp;
    }
    const char byte = char(b);
    const QString s = pg.decoder->decode(QByteArrayView(&byte, 1));
    m_mbPending = s.isEmpty();
    for (QChar ch : s)
        put(ch.unicode());
}

int Parser::codePage()
{
    if (m_st.cp == 0) {
        const int fontNum = m_st.chr.font >= 0 ? m_st.chr.font : m_deff;
        int cp = 0;
        const auto it = m_fonts.constFind(fontNum);
        if (it != m_fonts.constEnd())
            cp = it->cpg > 0 ? it->cpg : RtfReader::codePageForCharset(it->charset);
        m_st.cp = cp > 0 ? cp : (m_ansiCpg > 0 ? m_ansiCpg : 1252);
    }
    return m_st.cp;
}

CodePage &Parser::page(int cp)
{
    if (m_lastPage && m_lastPage->cp == cp)
        return *m_lastPage;
    auto it = m_pages.find(cp);
    if (it == m_pages.end())
        it = m_pages.insert(cp, std::shared_ptr<CodePage>(makeCodePage(cp)));
    m_lastPage = it->get();
    m_lastPage->cp = cp;
    return *m_lastPage;
}

// Appends one character of text in the current character format. Characters that a
// QTextDocument would take for structure (paragraph and frame marks, object placeholders) and
// control characters are left out; lone surrogates become U+FFFD.
void Parser::put(char16_t c)
{
    if (m_st.chr.hidden)
        return;
    if (QChar::isLowSurrogate(c)) {
        if (!m_pendingHigh) {
            appendRaw(0xFFFD);
            return;
        }
        appendRaw(m_pendingHigh);
        m_pendingHigh = 0;
        appendRaw(c);
        return;
    }
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        appendRaw(0xFFFD);
    }
    if (QChar::isHighSurrogate(c)) {
        m_pendingHigh = c;
        return;
    }
    if (c < 0x20) {
        if (c == '\t')
            appendRaw(c);
        else if (c == 0x0B)
            appendRaw(QChar::LineSeparator);
        return;
    }
    if (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1 ||
        c == QChar::ObjectReplacementCharacter || c == 0xFFFF)
        return;
    appendRaw(c);
}

void Parser::appendRaw(char16_t c)
{
    if (m_propsDirty) {
        m_propsDirty = false;
        if (!(m_st.chr == m_runProps)) {
            flushRun();
            m_runProps = m_st.chr;
        }
    }
    m_run.append(QChar(c));
}

void Parser::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_runs.append(Run{m_run, charFormat(m_runProps)});
    m_run.clear();
}

void Parser::endParagraph()
{
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        appendRaw(0xFFFD);
    }
    m_mbPending = false;
    flushRun();
    emitParagraph();
}

void Parser::emitParagraph()
{
    const QTextBlockFormat &bf = blockFormat(m_st.para);
    const QTextCharFormat &cf = charFormat(m_st.chr);
    if (m_firstBlock) {
        m_firstBlock = false;
        m_cursor.setBlockFormat(bf);
        m_cursor.setBlockCharFormat(cf);
    } else {
        m_cursor.insertBlock(bf, cf);
    }
    for (const Run &r : std::as_const(m_runs))
        m_cursor.insertText(r.text, r.format);
    m_runs.clear();
}

const QTextCharFormat &Parser::charFormat(const CharProps &p)
{
    if (m_haveLastChar && p == m_lastCharKey)
        return m_lastCharFormat;
    auto it = m_charFormats.constFind(p);
    if (it == m_charFormats.constEnd()) {
        it = m_charFormats.insert(p,
                                  makeCharFormat(p, m_fonts.value(p.font >= 0 ? p.font : m_deff), m_colors));
    }
    m_lastCharKey = p;
    m_lastCharFormat = it.value();
    m_haveLastChar = true;
    return m_lastCharFormat;
}

const QTextBlockFormat &Parser::blockFormat(const ParaProps &p)
{
    if (m_haveLastBlock && p == m_lastParaKey)
        return m_lastBlockFormat;
    m_lastParaKey = p;
    m_lastBlockFormat = makeBlockFormat(p);
    m_haveLastBlock = true;
    return m_lastBlockFormat;
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray &data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data.at(i) == ' ' || data.at(i) == '\t' || data.at(i) == '\r' || data.at(i) == '\n'))
        ++i;
    return QByteArrayView(data).sliced(i).startsWith("{\\rtf");
}

bool RtfReader::read(const QByteArray &data, QTextDocument *doc, QString *error)
{
    if (!doc) {
        if (error)
            *error = QStringLiteral("Nema dokumenta u koji bi se tekst učitao.");
        return false;
    }
    if (!looksLikeRtf(data)) {
        if (error)
            *error = QStringLiteral("Datoteka nije tekst u formatu RTF (Rich Text Format).");
        return false;
    }
    // Replacing the whole content is not something to undo step by step; without the undo
    // stack the document is filled much faster.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    Parser parser(data, doc);
    parser.run();
    doc->setUndoRedoEnabled(undo);
    if (error)
        error->clear();
    return true;
}

} // namespace velmora
