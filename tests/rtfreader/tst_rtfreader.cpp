#include "TestSupport.h"
#include "textview/RtfReader.h"

#include "data/Cp1250.h"

#include <QtGui>
#include <QtTest>

using velmora::RtfReader;

namespace {

QByteArray fixture(const char *name)
{
    return velmora::test::readFile(QStringLiteral(VELMORA_FIXTURES_DIR "/rtf/") + QLatin1String(name));
}

// The document's text with paragraphs joined by "\n" (line breaks stay U+2028).
QString plain(const QTextDocument &doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(QLatin1Char('\n'));
}

// The text read from `rtf`; for refused input "refused: " and what the document held before.
QString readPlain(const QByteArray &rtf)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("kept"));
    QString error;
    if (RtfReader::read(rtf, &doc, &error))
        return plain(doc);
    return (error.isEmpty() ? QStringLiteral("no error text: ") : QStringLiteral("refused: ")) + plain(doc);
}

// Each paragraph's alignment, then its non-zero indents (left, right, first line, before,
// after) in twips, 15 to the pixel.
QStringList paragraphLooks(const QTextDocument &doc)
{
    QStringList looks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        QString look = QString::number(int(f.alignment() & Qt::AlignHorizontal_Mask));
        for (const qreal pixels :
             {f.leftMargin(), f.rightMargin(), f.textIndent(), f.topMargin(), f.bottomMargin()})
            if (pixels != 0)
                look += QLatin1Char(' ') + QString::number(qRound(pixels * 15));
        looks << look;
    }
    return looks;
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT
private slots:
    // Every byte of the Bosnian text's code page is read as a character that is written back
    // as the same byte, and the reader of the whole text uses that very table: no byte is lost
    // or changed between the data module and the rich-text reader.
    void codePage1250KeepsEveryByte()
    {
        const char16_t *readerTable = RtfReader::builtinHighHalf(1250);
        QVERIFY(readerTable);
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QChar ch = velmora::data::cp1250::decode(static_cast<unsigned char>(b));
            QCOMPARE(readerTable[b - 0x80], ch.unicode());
            QCOMPARE(velmora::data::cp1250::encode(ch.unicode()),
                     std::optional<unsigned char>(static_cast<unsigned char>(b)));
        }
    }

    void libreOfficeText()
    {
        QTextDocument doc;
        QVERIFY(RtfReader::read(fixture("formatted.rtf"), &doc));
        QCOMPARE(plain(doc), QStringLiteral("Sura El-Fatiha\n"
                                            "1:1.\tU ime Allaha, Milostivog, Samilosnog!\n"
                                            "1:2.\tHvala Allahu, Gospodaru svjetova,\n"
                                            "š đ č ć ž Š Đ Č Ć Ž\n"
                                            "Čuvaj se džina i Šejtana, kćeri đaka.\n"
                                            "Mali tekst i\u2028novi red u istom odlomku.\n"
                                            "2:255.\tAllah je – nema boga osim Njega – Živi i Vječni!\n"));
        // Centred, left, right, justified with \li567 \ri283 \fi283 \sb113 \sa170; \pard resets.
        const QString left = QString::number(Qt::AlignLeft), justified = QString::number(Qt::AlignJustify);
        QCOMPARE(paragraphLooks(doc),
                 (QStringList{QString::number(Qt::AlignHCenter), left, left, QString::number(Qt::AlignRight),
                              justified + " 567 283 283 113 170", left, left, left}));
        // The character format inside the first occurrence of `what`.
        const auto format = [&doc](const char *what) {
            QTextCursor c = doc.find(QString::fromUtf8(what), 0, QTextDocument::FindCaseSensitively);
            c.setPosition(c.selectionStart() + 1);
            return c.charFormat();
        };
        QCOMPARE(format("Sura").fontWeight(), int(QFont::Bold));
        QCOMPARE(format("Sura").fontPointSize(), 16.0);
        QCOMPARE(format("Sura").fontFamilies().toStringList(),
                 QStringList{QStringLiteral("Liberation Serif")});
        QCOMPARE(format("Gospodaru").fontWeight(), int(QFont::Bold));
        QCOMPARE(format("svjetova").fontWeight(), int(QFont::Normal));
        QCOMPARE(format("svjetova").fontPointSize(), 12.0);
        QVERIFY(format("Čuvaj").fontItalic() && !format("se d").fontItalic());
        QVERIFY(format("džina").fontUnderline() && !format("i Š").fontUnderline());
        QCOMPARE(format("Šejtana").foreground().color(), QColor(255, 0, 0));
        QCOMPARE(format("kćeri").foreground().color(), QColor(0, 0, 255));
        QVERIFY(format("đaka").foreground().color() != QColor(0, 0, 255));
        QCOMPARE(format("Mali").fontPointSize(), 10.0);
        QCOMPARE(format("Mali").fontFamilies().toStringList(), QStringList{QStringLiteral("DejaVu Sans")});
        QCOMPARE(readPlain(fixture("plain.rtf")), QString::fromUtf8(fixture("plain.txt")));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &body, const QString &expected) {
            QTest::newRow(name) << "{\\rtf1\\ansi " + body + "}" << expected;
        };
        const auto raw = [](const char *name, const QByteArray &rtf, const QString &expected) {
            QTest::newRow(name) << rtf << expected;
        };

        row("hex and raw bytes in ansicpg1250",
            "\\ansicpg1250 \\'9a\\'f0\\'e8\\'e6\\'9e \x8a\xd0\xc8\xc6\x8e", "šđčćž ŠĐČĆŽ");
        row("hex without code page is 1252", "\\'e8\\'9a", "èš");
        row("unicode with a fallback char or hex escape", "\\u353?\\u8212\\'97a", "š—a");
        row("uc0 skips nothing", "\\uc0\\u353 a", "ša");
        row("uc2 skips two escapes", "\\uc2\\u12354\\'82\\'a0b", "あb");
        row("uc is scoped to its group", "{\\uc2\\u353??}\\u269?x", "ščx");
        row("negative N: surrogate pair, lone one replaced", "\\u-10179?\\u-8704?\\u-10179?x",
            QString::fromUtf8("\xF0\x9F\x98\x80\xEF\xBF\xBDx"));
        const QByteArray fonts = "\\ansicpg1250{\\fonttbl{\\f0\\fcharset238 Base;}{\\f1";
        row("fcharset204 is 1251", fonts + "\\fcharset204 Cyr;}}\\f1\\'cc\\'e8\\'f0\\f0\\'e8", "Мирč");
        row("fcharset0 is 1252", fonts + "\\fcharset0 Arial;}}\\f1\\'e8\\'f0\\f0\\'e8", "èðč");
        row("cpg overrides charset", fonts + "\\fcharset0\\cpg1250 X;}}\\f1\\'e8", "č");
        row("default charset uses ansicpg", fonts + "\\fcharset1 X;}}\\f1\\'e8", "č");
        row("Shift_JIS with literal trail bytes", fonts + "\\fcharset128 Mincho;}}\\f1\\'83e\\'83X\\'83g",
            "テスト");
        row("specials",
            "a\\~b\\-c\\_d\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\{\\}\\\\",
            QStringLiteral("a\u00A0b\u00ADc\u2011d—–‘’“”•{}\\"));
        row("tab line par, source line ends", "a\\tab b\\line c\\par d\\\r\ne\r\nf\ng",
            QStringLiteral("a\tb\u2028c\nd\nefg"));
        row("unknown word keeps its text", "\\foo hello \\bar99 world", "hello world");
        row("ignorable destination skipped", "{\\*\\unknowndest secret {nested}}ok", "ok");
        row("tables and info skipped",
            "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\header hh}{\\footnote fn}ok",
            "ok");
        row("pictures skipped, binary data with braces too",
            "a{\\pict\\wmetafile8 0102ff}{\\pict\\bin5 }{}\\}}b", "ab");
        row("field shows its result", "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} ok",
            "link ok");
        row("table cells and rows", "\\trowd a\\cell b\\cell\\row c", QStringLiteral("a\tb\t\nc"));

        // Bad input: refused without touching the document, or read as far as it goes.
        raw("not RTF", "plain words", "refused: kept");
        raw("empty", "", "refused: kept");
        raw("truncated header", "{\\rt", "refused: kept");
        raw("BOM and blanks before", "\xEF\xBB\xBF  \r\n{\\rtf1 x}", "x");
        raw("ends after the outermost group", "{\\rtf1 a}junk}}b", "a");
        raw("unclosed groups", "{\\rtf1 abc{\\b def", "abcdef");
        raw("truncated hex escape", "{\\rtf1 a\\'9", "a9");
        raw("truncated after backslash", "{\\rtf1 a\\", "a");
        raw("bad hex digits", "{\\rtf1 a\\'zzb}", "azzb");
        raw("truncated inside skipped group", "{\\rtf1 a{\\*\\x b", "a");
        raw("huge bin length", "{\\rtf1 a\\bin2147483647 xyz}", "a");
        raw("huge parameter", "{\\rtf1 \\fs99999999999999 a\\u99999999 b}", "a");
        raw("control characters dropped", "{\\rtf1 a\x01\x02\x7f b}", "a\x7f b");
        raw("unicode structure characters dropped", "{\\rtf1\\uc0 a\\u8233 b\\u-560 c\\u65532 d\\u10 e}",
            "abcde");
        raw("font table without semicolons", "{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1 Times}}\\f1 x}", "x");
        raw("destination word in the outermost group", "{\\rtf1\\pict a}", "a");
        // Groups nested beyond what the reader keeps are passed over whole; the outer text stays.
        raw("deep nesting", "{\\rtf1 " + QByteArray(200000, '{') + "x" + QByteArray(200000, '}') + "y}", "y");
    }

    void text()
    {
        QFETCH(QByteArray, rtf);
        QTEST(readPlain(rtf), "expected");
    }

    void mutatedFilesEndQuickly()
    {
        // Random damage to real files, reproducible: every read must end quickly and build a
        // document no longer than its input.
        const QList<QByteArray> sources{fixture("formatted.rtf"), fixture("plain.rtf")};
        QRandomGenerator rng(20240611);
        const char specials[] = "{}\\'*;0123456789abu -\x9a\xff";
        for (int round = 0; round < 1500; ++round) {
            QByteArray data = sources.at(round % sources.size());
            for (int e = 0, edits = 1 + int(rng.bounded(12)); e < edits; ++e) {
                const int pos = int(rng.bounded(data.size() + 1));
                const int kind = int(rng.bounded(5));
                if (kind == 0 && pos < data.size())
                    data[pos] = char(rng.bounded(256));
                else if (kind == 1) // a syntax character
                    data.insert(pos, specials[rng.bounded(int(sizeof(specials) - 1))]);
                else if (kind == 2)
                    data.remove(pos, int(rng.bounded(40)));
                else if (kind == 3)
                    data.truncate(qMax(6, pos));
                else if (kind == 4) // a stretch duplicated somewhere else
                    data.insert(int(rng.bounded(data.size() + 1)), data.mid(pos, int(rng.bounded(200))));
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
    }

    void largeFontTable()
    {
        // A font table of some 9 MB, names in the code pages of their charsets: each name is
        // read in its font's code page, and the text after the table in the fonts it names.
        QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        const int charsets[] = {238, 204, 161, 0};
        for (int n = 0; n < 150000; ++n)
            rtf += "{\\f" + QByteArray::number(n) + "\\fnil\\fcharset" + QByteArray::number(charsets[n % 4]) +
                   " Font \\'e8\\'e6 " + QByteArray::number(n) + " of a large table;}";
        rtf += "}\n\\pard\\plain\\f4000 \\'e8\\'e6\\par\\f4001 \\'e8\\'e6\\par\\f4002 \\'e8\\'e6\\par\\f4003 "
               "\\'e8\\'e6}";
        QVERIFY(rtf.size() > 9000000);
        QTextDocument doc;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(RtfReader::read(rtf, &doc));
        qInfo("%lld bytes of font table read in %lld ms", qint64(rtf.size()), qint64(clock.elapsed()));
        // cp1250, cp1251, cp1253 and the document's cp1252.
        QCOMPARE(plain(doc), QStringLiteral("čć\nиж\nθζ\nèæ"));
        const QStringList names = {
            QStringLiteral("Font čć 4000 of a large table"), QStringLiteral("Font иж 4001 of a large table"),
            QStringLiteral("Font θζ 4002 of a large table"), QStringLiteral("Font èæ 4003 of a large table")};
        int k = 0;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++k)
            QCOMPARE(b.begin().fragment().charFormat().fontFamilies().toStringList(),
                     QStringList{names.value(k)});
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
