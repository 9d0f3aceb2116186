#include "textview/RtfReader.h"

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

// One code page: a byte table for single-byte pages, a streaming converter for the others.
struct CodePage {
    int cp = 1252;
    std::array<char16_t, 128> high{};
    std::unique_ptr<QStringDecoder> decoder; // multi-byte pages only
};

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

enum class Dest : quint8 { Text, FontTable, ColorTable };

struct CharProps {
    int font = -1; // -1: the default font (\deff)
    int halfPoints = 24;
    int color = 0;
    int background = 0;
    quint8 vAlign = 0; // 0 normal, 1 superscript, 2 subscript
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;

    bool operator==(const CharProps &o) const
    {
        return font == o.font && halfPoints == o.halfPoints && color == o.color &&
               background == o.background && vAlign == o.vAlign && bold == o.bold && italic == o.italic &&
               underline == o.underline && strike == o.strike && hidden == o.hidden;
    }
};

size_t qHash(const CharProps &p, size_t hashSeed = 0)
{
    return qHashMulti(hashSeed, p.font, p.halfPoints, p.color, p.background, p.vAlign, p.bold, p.italic,
                      p.underline, p.strike);
}

struct ParaProps {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int left = 0;  // twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool rtl = false;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;

    bool operator==(const ParaProps &o) const
    {
        return align == o.align && left == o.left && right == o.right && first == o.first &&
               before == o.before && after == o.after && lineSpacing == o.lineSpacing &&
               lineMultiple == o.lineMultiple && rtl == o.rtl && tabs == o.tabs;
    }
};

struct State {
    Dest dest = Dest::Text;
    int uc = 1;
    int cp = 0; // code page of the current font; 0 until needed
    CharProps chr;
    ParaProps para;
};

struct Font {
    QString name;
    int charset = -1;
    int cpg = 0;
    QFont::StyleHint hint = QFont::AnyStyle;
};

// clang-format off
enum class Kw {
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Bin, FontTbl, ColorTbl, SkipDest, FCharset, Cpg,
    FNil, FRoman, FSwiss, FModern, FScript, FDecor, FTech, Red, Green, Blue, Plain, F, Fs, B, I,
    Ul, UlNone, Strike, Cf, Cb, V, Super, Sub, NoSuperSub, Par, Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi,
    Sb, Sa, Sl, SlMult, Tx, Tqr, Tqc, Tqdec, RtlPar, LtrPar, Line, Tab, Cell, Char,
    // Char: a special character, see specialChar()
};
// clang-format on

const std::unordered_map<std::string_view, Kw> &keywords()
{
    static const std::unordered_map<std::string_view, Kw> map = [] {
        // clang-format off
        std::unordered_map<std::string_view, Kw> m{
            {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
            {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"uc", Kw::Uc}, {"u", Kw::U}, {"bin", Kw::Bin},
            {"fonttbl", Kw::FontTbl}, {"colortbl", Kw::ColorTbl}, {"fcharset", Kw::FCharset},
            {"cpg", Kw::Cpg}, {"fnil", Kw::FNil}, {"froman", Kw::FRoman}, {"fswiss", Kw::FSwiss},
            {"fmodern", Kw::FModern}, {"fscript", Kw::FScript}, {"fdecor", Kw::FDecor},
            {"ftech", Kw::FTech}, {"fbidi", Kw::FNil}, {"red", Kw::Red}, {"green", Kw::Green},
            {"blue", Kw::Blue}, {"plain", Kw::Plain}, {"f", Kw::F}, {"fs", Kw::Fs}, {"b", Kw::B},
            {"i", Kw::I}, {"ulnone", Kw::UlNone}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
            {"cf", Kw::Cf}, {"cb", Kw::Cb}, {"highlight", Kw::Cb}, {"v", Kw::V}, {"super", Kw::Super},
            {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"par", Kw::Par}, {"sect", Kw::Par},
            {"row", Kw::Par}, {"nestrow", Kw::Par}, {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc},
            {"qr", Kw::Qr}, {"qj", Kw::Qj}, {"li", Kw::Li}, {"ri", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb},
            {"sa", Kw::Sa}, {"sl", Kw::Sl}, {"slmult", Kw::SlMult}, {"tx", Kw::Tx}, {"tqr", Kw::Tqr},
            {"tqc", Kw::Tqc}, {"tqdec", Kw::Tqdec}, {"rtlpar", Kw::RtlPar}, {"ltrpar", Kw::LtrPar},
            {"line", Kw::Line}, {"tab", Kw::Tab}, {"cell", Kw::Cell}, {"nestcell", Kw::Cell},
        };
        // clang-format on
        // Every kind of underline switches underlining on (or off with 0); \ulc is a colour.
        for (const char *w :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
              "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            m.emplace(w, Kw::Ul);
        for (const char *w :
             {"emdash", "endash", "emspace", "enspace", "qmspace", "bullet", "lquote", "rquote", "ldblquote",
              "rdblquote", "zwj", "zwnj", "zwbo", "ltrmark", "rtlmark"})
            m.emplace(w, Kw::Char);
        // Destinations whose content is not text of the document.
        // clang-format off
        for (const char *w : {
            "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
            "footerl", "footerr", "footerf", "footnote", "annotation", "listtable", "listoverridetable",
            "revtbl", "rsidtbl", "fldinst", "xe", "tc", "tcn", "txe", "rxe", "pn", "nonshppict", "shp",
            "shpgrp", "do", "template", "filetbl", "author", "operator", "title", "subject", "keywords",
            "comment", "doccomm", "company", "category", "manager", "creatim", "revtim", "printim",
            "buptim", "atnid", "atnauthor", "atnref", "atndate", "atnicn", "atntime", "bkmkstart",
            "bkmkend", "datafield", "fontemb", "fontfile", "falt", "panose", "generator", "ftnsep",
            "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "pgdsctbl", "listpicture", "themedata",
            "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "objdata", "private",
            "userprops", "docvar", "mmathPr", "wgrffmtfilter"})
            m.emplace(w, Kw::SkipDest);
        // clang-format on
        return m;
    }();
    return map;
}

char16_t specialChar(std::string_view w)
{
    static const std::unordered_map<std::string_view, char16_t> map{
        {"emdash", 0x2014},    {"endash", 0x2013},    {"emspace", 0x2003}, {"enspace", 0x2002},
        {"qmspace", 0x2005},   {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"zwj", 0x200D},     {"zwnj", 0x200C},
        {"zwbo", 0x200B},      {"ltrmark", 0x200E},   {"rtlmark", 0x200F},
    };
    const auto it = map.find(w);
    return it == map.end() ? char16_t(0) : it->second;
}

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

// Twips (1/1440 inch) to document pixels at 96 dots per inch.
inline qreal px(int twips)
{
    return twips / 15.0;
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
        QTextCharFormat f;
        const int fontNum = p.font >= 0 ? p.font : m_deff;
        const auto font = m_fonts.constFind(fontNum);
        if (font != m_fonts.constEnd() && !font->name.isEmpty()) {
            f.setFontFamilies(QStringList{font->name});
            if (font->hint != QFont::AnyStyle)
                f.setFontStyleHint(font->hint);
        }
        f.setFontPointSize(p.halfPoints / 2.0);
        f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(p.italic);
        f.setFontUnderline(p.underline);
        if (p.strike)
            f.setFontStrikeOut(true);
        if (p.color >= 0 && p.color < m_colors.size() && m_colors.at(p.color).isValid())
            f.setForeground(m_colors.at(p.color));
        if (p.background > 0 && p.background < m_colors.size() && m_colors.at(p.background).isValid())
            f.setBackground(m_colors.at(p.background));
        if (p.vAlign == 1)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (p.vAlign == 2)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        it = m_charFormats.insert(p, f);
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
    QTextBlockFormat b;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    b.setAlignment(aligns[qBound(0, p.align, 3)]);
    if (p.left)
        b.setLeftMargin(px(p.left));
    if (p.right)
        b.setRightMargin(px(p.right));
    if (p.first)
        b.setTextIndent(px(p.first));
    if (p.before)
        b.setTopMargin(px(p.before));
    if (p.after)
        b.setBottomMargin(px(p.after));
    if (p.lineSpacing > 0 && p.lineMultiple)
        b.setLineHeight(p.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing > 0)
        b.setLineHeight(px(p.lineSpacing), QTextBlockFormat::MinimumHeight);
    else if (p.lineSpacing < 0)
        b.setLineHeight(px(-p.lineSpacing), QTextBlockFormat::FixedHeight);
    if (!p.tabs.isEmpty())
        b.setTabPositions(p.tabs);
    if (p.rtl)
        b.setLayoutDirection(Qt::RightToLeft);
    m_lastParaKey = p;
    m_lastBlockFormat = b;
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
