#include "textview/RtfReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using velmora::RtfReader;

namespace {

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(VELMORA_FIXTURES_DIR "/rtf/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}

// The document's text with paragraphs joined by "\n" (line breaks stay U+2028).
QString plain(const QTextDocument &doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(QLatin1Char('\n'));
}

QString readPlain(const QByteArray &rtf)
{
    QTextDocument doc;
    if (!RtfReader::read(rtf, &doc))
        return QStringLiteral("<not read>");
    return plain(doc);
}

// The character format in force at the first occurrence of `what` (inside it).
QTextCharFormat formatAt(const QTextDocument &doc, const QString &what)
{
    const QTextCursor found = doc.find(what, 0, QTextDocument::FindCaseSensitively);
    if (found.isNull())
        return {};
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument &doc, const QString &what)
{
    const QTextCursor found = doc.find(what, 0, QTextDocument::FindCaseSensitively);
    return found.isNull() ? QTextBlockFormat() : found.block().blockFormat();
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT
private slots:
    void libreOfficeFormattedText();
    void libreOfficeFormats();
    void libreOfficePlainMatchesSource();
    void escapes_data();
    void escapes();
    void paragraphFormats_data();
    void paragraphFormats();
    void characterFormats();
    void formatsAreShared();
    void charsets_data();
    void charsets();
    void builtinTablesMatchConverters_data();
    void builtinTablesMatchConverters();
    void notRtf();
    void malformed_data();
    void malformed();
    void fuzz();
};

void TestRtfReader::libreOfficeFormattedText()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(fixture("formatted.rtf"), &doc));
    const QString expected = QStringLiteral("Sura El-Fatiha\n"
                                            "1:1.\tU ime Allaha, Milostivog, Samilosnog!\n"
                                            "1:2.\tHvala Allahu, Gospodaru svjetova,\n"
                                            "š đ č ć ž Š Đ Č Ć Ž\n"
                                            "Čuvaj se džina i Šejtana, kćeri đaka.\n"
                                            "Mali tekst i\u2028novi red u istom odlomku.\n"
                                            "2:255.\tAllah je – nema boga osim Njega – Živi i Vječni!\n");
    QCOMPARE(plain(doc), expected);
}

void TestRtfReader::libreOfficeFormats()
{
    QTextDocument doc;
    QVERIFY(RtfReader::read(fixture("formatted.rtf"), &doc));

    const QTextCharFormat title = formatAt(doc, QStringLiteral("Sura El-Fatiha"));
    QCOMPARE(title.fontWeight(), int(QFont::Bold));
    QCOMPARE(title.fontPointSize(), 16.0);
    QCOMPARE(title.fontFamilies().toStringList(), QStringList{QStringLiteral("Liberation Serif")});

    const QTextCharFormat bold = formatAt(doc, QStringLiteral("Gospodaru"));
    QCOMPARE(bold.fontWeight(), int(QFont::Bold));
    QCOMPARE(bold.fontPointSize(), 12.0);
    const QTextCharFormat normal = formatAt(doc, QStringLiteral("svjetova"));
    QCOMPARE(normal.fontWeight(), int(QFont::Normal));
    QVERIFY(!normal.fontItalic());
    QVERIFY(!normal.fontUnderline());

    QVERIFY(formatAt(doc, QStringLiteral("Čuvaj")).fontItalic());
    QVERIFY(!formatAt(doc, QStringLiteral("se d")).fontItalic());
    QVERIFY(formatAt(doc, QStringLiteral("džina")).fontUnderline());
    QCOMPARE(formatAt(doc, QStringLiteral("Šejtana")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(doc, QStringLiteral("kćeri")).foreground().color(), QColor(0, 0, 255));
    QVERIFY(formatAt(doc, QStringLiteral("đaka")).foreground().color() != QColor(0, 0, 255));

    const QTextCharFormat small = formatAt(doc, QStringLiteral("Mali tekst"));
    QCOMPARE(small.fontPointSize(), 10.0);
    QCOMPARE(small.fontFamilies().toStringList(), QStringList{QStringLiteral("DejaVu Sans")});

    QCOMPARE(blockOf(doc, QStringLiteral("Sura")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(blockOf(doc, QStringLiteral("1:1.")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(blockOf(doc, QStringLiteral("š đ")).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    const QTextBlockFormat justified = blockOf(doc, QStringLiteral("Čuvaj"));
    QCOMPARE(justified.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    // \li567 \ri283 \fi283 \sb113 \sa170, twips at 15 per pixel.
    QCOMPARE(justified.leftMargin(), 567 / 15.0);
    QCOMPARE(justified.rightMargin(), 283 / 15.0);
    QCOMPARE(justified.textIndent(), 283 / 15.0);
    QCOMPARE(justified.topMargin(), 113 / 15.0);
    QCOMPARE(justified.bottomMargin(), 170 / 15.0);
    // \pard resets the indents for the next paragraph.
    QCOMPARE(blockOf(doc, QStringLiteral("Mali")).leftMargin(), 0.0);
}

void TestRtfReader::libreOfficePlainMatchesSource()
{
    QString source = QString::fromUtf8(fixture("plain.txt"));
    QTextDocument doc;
    QVERIFY(RtfReader::read(fixture("plain.rtf"), &doc));
    QCOMPARE(plain(doc), source);
}

void TestRtfReader::escapes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hex in ansicpg1250")
        << QByteArray("\\ansicpg1250 \\'9a\\'f0\\'e8\\'e6\\'9e \\'8a\\'d0\\'c8\\'c6\\'8e")
        << QStringLiteral("šđčćž ŠĐČĆŽ");
    QTest::newRow("raw 8-bit bytes in ansicpg1250")
        << QByteArray("\\ansicpg1250 \x9a\xe8\xe6 \x8e") << QStringLiteral("ščć Ž");
    QTest::newRow("hex without code page is 1252") << QByteArray("\\'e8\\'9a") << QStringLiteral("èš");
    QTest::newRow("unicode with default fallback") << QByteArray("\\u353?\\u273?a") << QStringLiteral("šđa");
    QTest::newRow("unicode fallback is a hex escape") << QByteArray("\\u8212\\'97x") << QStringLiteral("—x");
    QTest::newRow("uc0 skips nothing") << QByteArray("\\uc0\\u353 a") << QStringLiteral("ša");
    QTest::newRow("uc2 skips two escapes") << QByteArray("\\uc2\\u12354\\'82\\'a0b") << QStringLiteral("あb");
    QTest::newRow("uc is scoped to its group")
        << QByteArray("{\\uc2\\u353??}\\u269?x") << QStringLiteral("ščx");
    QTest::newRow("negative N is a surrogate pair")
        << QByteArray("\\u-10179?\\u-8704?") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("lone surrogate replaced") << QByteArray("\\u-10179?x") << QStringLiteral("\uFFFDx");
    QTest::newRow("specials")
        << QByteArray("a\\~b\\-c\\_d\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet")
        << QStringLiteral("a\u00A0b\u00ADc\u2011d—–‘’“”•");
    QTest::newRow("escaped braces and backslash") << QByteArray("\\{x\\}\\\\") << QStringLiteral("{x}\\");
    QTest::newRow("tab line par") << QByteArray("a\\tab b\\line c\\par d")
                                  << QStringLiteral("a\tb\u2028c\nd");
    QTest::newRow("backslash newline is a paragraph") << QByteArray("a\\\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("source line ends are not text") << QByteArray("ab\r\ncd\ne") << QStringLiteral("abcde");
    QTest::newRow("control word delimiter space eaten")
        << QByteArray("\\b bold\\b0  x") << QStringLiteral("bold x");
    QTest::newRow("unknown word keeps its text")
        << QByteArray("\\foo hello \\bar99 world") << QStringLiteral("hello world");
    QTest::newRow("ignorable destination skipped")
        << QByteArray("{\\*\\unknowndest secret {nested}}ok") << QStringLiteral("ok");
    QTest::newRow("tables and info skipped")
        << QByteArray(
               "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\header hh}{\\footnote fn}ok")
        << QStringLiteral("ok");
    QTest::newRow("picture skipped") << QByteArray("a{\\pict\\wmetafile8\\picw10 0102ff}b")
                                     << QStringLiteral("ab");
    QTest::newRow("binary picture data with braces")
        << QByteArray("a{\\pict\\bin5 }{}\\}}b") << QStringLiteral("ab");
    QTest::newRow("bin in text skipped") << QByteArray("a\\bin3 xyzb") << QStringLiteral("ab");
    QTest::newRow("field shows its result")
        << QByteArray("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} ok")
        << QStringLiteral("link ok");
    QTest::newRow("old field instruction skipped")
        << QByteArray("{\\field{\\fldinst PAGE}{\\fldrslt 3}}") << QStringLiteral("3");
    QTest::newRow("hidden text dropped") << QByteArray("a{\\v hidden}b") << QStringLiteral("ab");
    QTest::newRow("table cells and rows")
        << QByteArray("\\trowd a\\cell b\\cell\\row c") << QStringLiteral("a\tb\t\nc");
    QTest::newRow("ends after the outermost group") << QByteArray("a}junk") << QStringLiteral("a");
}

void TestRtfReader::escapes()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(readPlain("{\\rtf1\\ansi " + body + "}"), expected);
}

void TestRtfReader::paragraphFormats_data()
{
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<qreal>("left");
    QTest::addColumn<qreal>("indent");

    QTest::newRow("left") << QByteArray("\\ql") << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("centre") << QByteArray("\\qc") << int(Qt::AlignHCenter) << 0.0 << 0.0;
    QTest::newRow("right") << QByteArray("\\qr") << int(Qt::AlignRight) << 0.0 << 0.0;
    QTest::newRow("justify with indents")
        << QByteArray("\\qj\\li720\\fi-360") << int(Qt::AlignJustify) << 48.0 << -24.0;
    QTest::newRow("pard resets") << QByteArray("\\qc\\li720\\pard") << int(Qt::AlignLeft) << 0.0 << 0.0;
}

void TestRtfReader::paragraphFormats()
{
    QFETCH(QByteArray, props);
    QFETCH(int, alignment);
    QFETCH(qreal, left);
    QFETCH(qreal, indent);
    QTextDocument doc;
    QVERIFY(RtfReader::read("{\\rtf1 first\\par " + props + " second\\par\\pard third}", &doc));
    QCOMPARE(doc.blockCount(), 3);
    const QTextBlockFormat second = doc.findBlockByNumber(1).blockFormat();
    QCOMPARE(int(second.alignment() & Qt::AlignHorizontal_Mask), alignment);
    QCOMPARE(second.leftMargin(), left);
    QCOMPARE(second.textIndent(), indent);
    // The properties belong to the paragraph they end, not to its neighbours.
    QCOMPARE(int(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask),
             int(Qt::AlignLeft));
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().leftMargin(), 0.0);
}

void TestRtfReader::characterFormats()
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
        "\\fs20 plain {\\b bold}{\\i ital}{\\ul under\\ulnone nounder}"
        "{\\cf1 red}{\\cf2\\f1\\fs36 green}{\\b\\i\\plain reset}{\\strike gone}"
        "{\\super up}\\par}";
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(plain(doc), QStringLiteral("plain bolditalundernounderredgreenresetgoneup\n"));

    const QTextCharFormat p = formatAt(doc, QStringLiteral("plain"));
    QCOMPARE(p.fontPointSize(), 10.0);
    QCOMPARE(p.fontFamilies().toStringList(), QStringList{QStringLiteral("Times New Roman")});
    QCOMPARE(p.fontWeight(), int(QFont::Normal));
    QVERIFY(!p.hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(formatAt(doc, QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    QVERIFY(formatAt(doc, QStringLiteral("ital")).fontItalic());
    QVERIFY(formatAt(doc, QStringLiteral("under")).fontUnderline());
    QVERIFY(!formatAt(doc, QStringLiteral("nounder")).fontUnderline());
    QCOMPARE(formatAt(doc, QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    const QTextCharFormat g = formatAt(doc, QStringLiteral("green"));
    QCOMPARE(g.foreground().color(), QColor(0, 128, 0));
    QCOMPARE(g.fontPointSize(), 18.0);
    QCOMPARE(g.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
    const QTextCharFormat r = formatAt(doc, QStringLiteral("reset"));
    QCOMPARE(r.fontWeight(), int(QFont::Normal));
    QVERIFY(!r.fontItalic());
    QCOMPARE(r.fontPointSize(), 12.0); // \plain goes back to the default size
    QVERIFY(formatAt(doc, QStringLiteral("gone")).fontStrikeOut());
    QCOMPARE(formatAt(doc, QStringLiteral("up")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    // Group end restores the outer format.
    QCOMPARE(formatAt(doc, QStringLiteral("plain")).fontWeight(), int(QFont::Normal));
}

void TestRtfReader::formatsAreShared()
{
    // Many runs with only two distinct looks must not produce many formats.
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 500; ++i)
        rtf += "{\\b x}{\\b0 y}\\par ";
    rtf += "}";
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(doc.blockCount(), 501);
    QVERIFY2(doc.allFormats().size() < 12, qPrintable(QString::number(doc.allFormats().size())));
}

void TestRtfReader::charsets_data()
{
    QTest::addColumn<QByteArray>("fontDecl");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("fcharset238 is 1250")
        << QByteArray("\\fcharset238 Times New Roman CE")
        << QByteArray("\\'9a\\'f0\\'e8\\'e6\\'9e\\'8a\\'d0\\'c8\\'c6\\'8e") << QStringLiteral("šđčćžŠĐČĆŽ");
    QTest::newRow("fcharset0 is 1252")
        << QByteArray("\\fcharset0 Arial") << QByteArray("\\'e8\\'f0") << QStringLiteral("èð");
    QTest::newRow("fcharset204 is 1251")
        << QByteArray("\\fcharset204 Arial Cyr") << QByteArray("\\'cc\\'e8\\'f0") << QStringLiteral("Мир");
    QTest::newRow("fcharset161 is 1253")
        << QByteArray("\\fcharset161 Arial Greek") << QByteArray("\\'e1\\'e2\\'e3") << QStringLiteral("αβγ");
    QTest::newRow("fcharset162 is 1254")
        << QByteArray("\\fcharset162 Arial Tur") << QByteArray("\\'f0\\'fd") << QStringLiteral("ğı");
    QTest::newRow("cpg overrides charset")
        << QByteArray("\\fcharset0\\cpg1250 X") << QByteArray("\\'e8") << QStringLiteral("č");
    QTest::newRow("default charset uses ansicpg")
        << QByteArray("\\fcharset1 X") << QByteArray("\\'e8") << QStringLiteral("č");
    QTest::newRow("fcharset128 Shift_JIS with literal trail bytes")
        << QByteArray("\\fcharset128 MS Mincho") << QByteArray("\\'83e\\'83X\\'83g")
        << QStringLiteral("テスト");
}

void TestRtfReader::charsets()
{
    QFETCH(QByteArray, fontDecl);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    // The document's own code page is 1250; the font's charset decides where it gives one.
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Base;}{\\f1" +
                           fontDecl + ";}}\\f1 " + bytes + "\\f0 \\'e8}";
    QCOMPARE(readPlain(rtf), expected + QStringLiteral("č"));
}

void TestRtfReader::builtinTablesMatchConverters_data()
{
    QTest::addColumn<int>("codePage");
    QTest::newRow("1250") << 1250;
    QTest::newRow("1252") << 1252;
}

void TestRtfReader::builtinTablesMatchConverters()
{
    QFETCH(int, codePage);
    const char16_t *table = RtfReader::builtinHighHalf(codePage);
    QVERIFY(table);
    QStringDecoder dec(("windows-" + QByteArray::number(codePage)).constData());
    if (!dec.isValid())
        QSKIP("the platform has no converter to compare with");
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        const QString s = dec.decode(QByteArrayView(&byte, 1));
        QCOMPARE(s.size(), 1);
        QCOMPARE(uint(table[b - 0x80]), uint(s.at(0).unicode()));
    }
    QCOMPARE(RtfReader::decode(codePage, QByteArray("\x8a\x9a")),
             codePage == 1250 ? QStringLiteral("Šš") : QStringLiteral("Šš"));
    QCOMPARE(RtfReader::decode(codePage, QByteArray("\xe8")),
             codePage == 1250 ? QStringLiteral("č") : QStringLiteral("è"));
}

void TestRtfReader::notRtf()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("kept"));
    QString error;
    QVERIFY(!RtfReader::read("plain words", &doc, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(doc.toPlainText(), QStringLiteral("kept"));
    QVERIFY(!RtfReader::read(QByteArray(), &doc));
    QVERIFY(RtfReader::looksLikeRtf("\xEF\xBB\xBF  \r\n{\\rtf1 x}"));
    QVERIFY(!RtfReader::looksLikeRtf("{\\rt"));
}

void TestRtfReader::malformed_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 abc{\\b def") << QStringLiteral("abcdef");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}b") << QStringLiteral("a");
    QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1 a\\'9") << QStringLiteral("a9");
    QTest::newRow("truncated after backslash") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("bad hex digits") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("truncated inside skipped group")
        << QByteArray("{\\rtf1 a{\\*\\x b") << QStringLiteral("a");
    QTest::newRow("huge bin length") << QByteArray("{\\rtf1 a\\bin2147483647 xyz}") << QStringLiteral("a");
    QTest::newRow("huge parameter") << QByteArray("{\\rtf1 \\fs99999999999999 a\\u99999999 b}")
                                    << QStringLiteral("a");
    QTest::newRow("control characters dropped")
        << QByteArray("{\\rtf1 a\x01\x02\x7f b}") << QStringLiteral("a\x7f b");
    QTest::newRow("unicode structure characters dropped")
        << QByteArray("{\\rtf1\\uc0 a\\u8233 b\\u-560 c\\u65532 d\\u10 e}") << QStringLiteral("abcde");
    QTest::newRow("font table without semicolons")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1 Times}}\\f1 x}") << QStringLiteral("x");
    QTest::newRow("destination word in the outermost group")
        << QByteArray("{\\rtf1\\pict a}") << QStringLiteral("a");
    // Groups nested beyond what the reader keeps are passed over whole; the outer text stays.
    QTest::newRow("deep nesting") << QByteArray("{\\rtf1 ") + QByteArray(200000, '{') + "x" +
                                         QByteArray(200000, '}') + "y}"
                                  << QStringLiteral("y");
}

void TestRtfReader::malformed()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(readPlain(rtf), expected);
}

void TestRtfReader::fuzz()
{
    // Random damage to real files, reproducible: every read must end quickly and build a
    // document no longer than its input.
    const QList<QByteArray> sources{fixture("formatted.rtf"), fixture("plain.rtf")};
    QRandomGenerator rng(20240611);
    const char specials[] = "{}\\'*;0123456789abu -\x9a\xff";
    QElapsedTimer total;
    total.start();
    for (int round = 0; round < 1500; ++round) {
        QByteArray data = sources.at(round % sources.size());
        const int edits = 1 + int(rng.bounded(12));
        for (int e = 0; e < edits; ++e) {
            const int pos = int(rng.bounded(data.size() + 1));
            switch (rng.bounded(5)) {
            case 0: // overwrite with a random byte
                if (pos < data.size())
                    data[pos] = char(rng.bounded(256));
                break;
            case 1: // insert a syntax character
                data.insert(pos, specials[rng.bounded(int(sizeof(specials) - 1))]);
                break;
            case 2: // delete a stretch
                data.remove(pos, int(rng.bounded(40)));
                break;
            case 3: // truncate
                data.truncate(qMax(6, pos));
                break;
            default: // duplicate a stretch somewhere else
                data.insert(int(rng.bounded(data.size() + 1)), data.mid(pos, int(rng.bounded(200))));
                break;
            }
        }
        if (round % 3 == 0)
            data.replace(0, 5, "{\\rtf"); // keep most inputs recognisable as RTF
        QElapsedTimer one;
        one.start();
        QTextDocument doc;
        RtfReader::read(data, &doc);
        QVERIFY2(one.elapsed() < 2000, qPrintable(QStringLiteral("round %1 took too long").arg(round)));
        QVERIFY(doc.characterCount() <= data.size() + 2);
    }
    QVERIFY(total.elapsed() < 60000);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
