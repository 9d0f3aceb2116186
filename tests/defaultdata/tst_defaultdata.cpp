// The default data that set-up makes (Bazabos.db and KUR'AN.rtf), the pieces that make it and
// the command velmora-data make-default itself.

#include "TestSupport.h"
#include "defaultdata/BosnianOrder.h"
#include "defaultdata/QuranSource.h"
#include "defaultdata/RtfWriter.h"
#include "defaultdata/TopicIndex.h"

#include <QtSql>
#include <QtTest>

using namespace velmora;

namespace {
const QString kDataDir = QStringLiteral(VELMORA_TEST_DATA_DIR);
const QString kPackage = kDataDir + QStringLiteral("/.source/kmaslesa-tefsir-1.0.19.tgz");
const QString kBismillah = QStringLiteral("U ime Allaha, Milostivog, Samilosnog!");

using test::entries;
using test::readFile;
using test::writeFile;

// Runs velmora-data; the exit code (-1 when it hung or crashed) and its output in `out`.
int runTool(const QStringList &args, QString *out)
{
    const test::ProgramRun run =
        test::runProgram(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-data"), args, 120000);
    *out = run.out;
    return run.code;
}

// The paragraphs of an RTF document as a rich text control shows them: \'xx in code page
// 1250, \uN with its one-character stand-in dropped, \tab a tab, the tables left out. Line
// breaks of the source are no text; globalMatch passes over them.
QStringList rtfParagraphs(const QByteArray &rtf)
{
    static const QRegularExpression token(
        QStringLiteral(R"(\\([a-z]+|\*)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\([\\{}])|([{}])|([^\\{}\r\n]+))"));
    QStringDecoder cp1250("windows-1250");
    QStringList paragraphs{QString()};
    int depth = 0;
    int skipping = 0; // depth of a left-out group, 0 for none
    bool groupStart = false;
    bool dropStandIn = false;
    for (auto it = token.globalMatch(QString::fromLatin1(rtf)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString word = m.captured(1);
        const bool atGroupStart = std::exchange(groupStart, false);
        if (m.captured(5) == QLatin1String("{")) {
            ++depth;
            groupStart = true;
        } else if (m.captured(5) == QLatin1String("}")) {
            if (depth-- == skipping)
                skipping = 0;
        } else if (atGroupStart && !skipping &&
                   QStringList{"fonttbl", "colortbl", "info", "*"}.contains(word)) {
            skipping = depth;
        }
        if (skipping || !m.captured(5).isEmpty())
            continue;
        QString text;
        if (word == QLatin1String("par"))
            paragraphs << QString();
        else if (word == QLatin1String("tab"))
            text = QStringLiteral("\t");
        else if (word == QLatin1String("u"))
            text = QChar(char16_t(m.captured(2).toInt()));
        else if (m.hasCaptured(3))
            text = cp1250.decode(QByteArray::fromHex(m.captured(3).toLatin1()));
        else
            text = m.captured(4) + m.captured(6);
        if (dropStandIn && word.isEmpty())
            text.remove(0, 1);
        dropStandIn = word == QLatin1String("u");
        paragraphs.last() += text;
    }
    return paragraphs;
}
} // namespace

class TestDefaultData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString store = kDataDir + QStringLiteral("/Bazabos.db");
        const QByteArray rtf = readFile(kDataDir + QStringLiteral("/KUR'AN.rtf"));
        QVERIFY2(QFileInfo::exists(store) && !rtf.isEmpty(),
                 qPrintable(QStringLiteral("no default data: run velmora-data make-default ") + kDataDir));
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        m_db.setDatabaseName(store);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY2(m_db.open(), qPrintable(m_db.lastError().text()));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1250"));
        m_paragraphs = rtfParagraphs(rtf);
    }

    void storeRows()
    {
        // Table order is what the program sees: surahs 1..114, ayahs 1..N of each in turn.
        QCOMPARE(column(QStringLiteral(
                     "SELECT count(*) || ' ' || sum(Numri = rowid) || ' ' || sum(\"Nr i ajeteve\") "
                     "FROM sure")),
                 QStringList{QStringLiteral("114 114 6236")});
        const QStringList counts = column(QStringLiteral("SELECT \"Nr i ajeteve\" FROM sure ORDER BY rowid"));
        QSqlQuery q(m_db);
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran")));
        int surah = 1, ayah = 0;
        while (q.next()) {
            if (q.value(0).toInt() != surah) {
                QCOMPARE(ayah, counts.at(surah - 1).toInt());
                QCOMPARE(q.value(0).toInt(), ++surah);
                ayah = 0;
            }
            QCOMPARE(q.value(1).toInt(), ++ayah);
            QVERIFY2(!q.value(2).toString().trimmed().isEmpty() && !q.value(3).toString().isEmpty(),
                     qPrintable(QStringLiteral("%1:%2").arg(surah).arg(ayah)));
        }
        QCOMPARE(surah, 114);
        QCOMPARE(ayah, counts.last().toInt());
        // A seek on the index "nr i ajeteve" for 7 finds surah 1 (equal counts ordered by number).
        QCOMPARE(column(QStringLiteral("SELECT Numri FROM sure INDEXED BY \"nr i ajeteve\" "
                                       "WHERE \"Nr i ajeteve\" = 7 LIMIT 1")),
                 QStringList{QStringLiteral("1")});
    }

    void surahNames_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("nameAndAyahs");
        QTest::newRow("1 article El- dropped") << 1 << QStringLiteral("Fatiha 7");
        QTest::newRow("3 Ali- kept") << 3 << QStringLiteral("Ali-'Imran 200");
        QTest::newRow("9 article Et-") << 9 << QStringLiteral("Tevbe 129");
        QTest::newRow("26 article Eš-") << 26 << QStringLiteral("Šu'ara' 227");
        QTest::newRow("36 Ja- kept") << 36 << QStringLiteral("Ja-sin 83");
        QTest::newRow("80 apostrophes kept") << 80 << QStringLiteral("'Abese' 42");
        QTest::newRow("96 article before apostrophe") << 96 << QStringLiteral("'Alek 19");
        QTest::newRow("114 article En-") << 114 << QStringLiteral("Nas 6");
    }

    void surahNames()
    {
        QFETCH(int, number);
        QFETCH(QString, nameAndAyahs);
        QCOMPARE(column(QStringLiteral(
                            "SELECT EmriBoshnjakisht || ' ' || \"Nr i ajeteve\" FROM sure WHERE Numri = %1")
                            .arg(number)),
                 QStringList{nameAndAyahs});
    }

    void wholeText()
    {
        static const QRegularExpression marker(QStringLiteral("^(\\d+):(\\d+)\\.\\t(.*)$"));
        static const QRegularExpression heading(QStringLiteral("^(\\d+)\\. SURA "));
        QSqlQuery q(m_db);
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM kuran")));
        int markers = 0, bismillahs = 0, headings = 0;
        bool bismillahSinceHeading = false;
        for (const QString &p : std::as_const(m_paragraphs)) {
            const QRegularExpressionMatch m = marker.match(p);
            if (!m.hasMatch()) { // a title, heading or Bismillah: never a tab
                QVERIFY2(!p.contains(QLatin1Char('\t')), qPrintable(p));
                if (heading.match(p).hasMatch()) {
                    QCOMPARE(heading.match(p).captured(1).toInt(), ++headings);
                    bismillahSinceHeading = false;
                }
                bismillahs += p == kBismillah;
                bismillahSinceHeading |= p == kBismillah;
                continue;
            }
            // Ayah paragraphs in the store's order, with the store's text, under their heading.
            QVERIFY(q.next());
            ++markers;
            QCOMPARE(m.captured(1) + QLatin1Char(':') + m.captured(2),
                     q.value(0).toString() + QLatin1Char(':') + q.value(1).toString());
            QCOMPARE(m.captured(3), q.value(2).toString());
            QCOMPARE(m.captured(1).toInt(), headings);
            if (m.captured(2) == QLatin1String("1"))
                QCOMPARE(bismillahSinceHeading, headings != 1 && headings != 9);
        }
        QVERIFY(!q.next());
        QCOMPARE(markers, 6236);
        QCOMPARE(bismillahs, 112);
        QCOMPARE(headings, 114);
        // An ayah is located by the first occurrence of its marker and tab: that must be its own.
        const QString plain = m_paragraphs.join(QLatin1Char('\n'));
        for (const char *at : {"2:5.", "12:5.", "22:5.", "9:1.", "114:6."}) {
            const qsizetype i = plain.indexOf(QLatin1String(at) + QLatin1Char('\t'));
            QVERIFY2(i > 0 && plain.at(i - 1) == QLatin1Char('\n'), at);
        }
    }

    void references()
    {
        static const QRegularExpression grammar(QStringLiteral("^\\d+(-\\d+)?(,\\d+(-\\d+)?)*$"));
        const QStringList names = column(QStringLiteral("SELECT EmriBoshnjakisht FROM sure ORDER BY Numri"));
        const QStringList counts = column(QStringLiteral("SELECT \"Nr i ajeteve\" FROM sure ORDER BY Numri"));
        QSqlQuery q(m_db);
        QVERIFY(q.exec(QStringLiteral("SELECT nrsure, emrsure, ajetet, tema FROM klasifikim")));
        QSet<QString> topics;
        QString topic;
        int lastSurah = 0;
        while (q.next()) {
            const int s = q.value(0).toInt();
            const QString refs = q.value(2).toString();
            const QString where = QStringLiteral("%1 %2: %3").arg(q.value(3).toString()).arg(s).arg(refs);
            QVERIFY2(s >= 1 && s <= 114 && q.value(1).toString() == names.at(s - 1), qPrintable(where));
            QVERIFY2(grammar.match(refs).hasMatch(), qPrintable(where));
            // Ascending, ranges forward, every ayah within its surah.
            int previous = 0;
            for (const QString &item : refs.split(QLatin1Char(','))) {
                const QStringList ends = item.split(QLatin1Char('-'));
                QVERIFY2(ends.first().toInt() > previous && ends.last().toInt() <= counts.at(s - 1).toInt() &&
                             (ends.size() == 1 || ends.last().toInt() > ends.first().toInt()),
                         qPrintable(where));
                previous = ends.last().toInt();
            }
            // One row per topic and surah, a topic's rows together in surah order.
            if (q.value(3).toString() != topic) {
                topic = q.value(3).toString();
                QVERIFY2(!topics.contains(topic), qPrintable(where));
                topics.insert(topic);
                lastSurah = 0;
            }
            QVERIFY2(s > std::exchange(lastSurah, s), qPrintable(where));
        }
        for (const QString &t :
             column(QStringLiteral("SELECT Tema FROM KreuMeTema UNION SELECT Tema FROM VetemTemat")))
            QVERIFY2(topics.contains(t), qPrintable(t));
    }

    void topicsAndChapters()
    {
        const QStringList topics = column(QStringLiteral("select * from VetemTemat"));
        QVERIFY(topics.size() >= 80);
        for (int i = 1; i < topics.size(); ++i) // strictly ascending: sorted and no topic twice
            QVERIFY2(classification::bosnian::lessThan(topics.at(i - 1), topics.at(i)),
                     qPrintable(topics.at(i - 1) + QStringLiteral(" / ") + topics.at(i)));

        // Chapters numbered in order with their rows together, topics numbered within a chapter.
        QSqlQuery q(m_db);
        QVERIFY(q.exec(QStringLiteral("select * from KreuMeTema")));
        int chapter = 0, topicNumber = 0;
        QString chapterName;
        QHash<QString, QStringList> chaptersOfTopic;
        while (q.next()) {
            if (q.value(0).toInt() != chapter) {
                QCOMPARE(q.value(0).toInt(), ++chapter);
                chapterName = q.value(1).toString();
                topicNumber = 0;
            }
            QCOMPARE(q.value(1).toString(), chapterName);
            QCOMPARE(q.value(2).toInt(), ++topicNumber);
            QVERIFY(!chaptersOfTopic.value(q.value(3).toString()).contains(chapterName));
            chaptersOfTopic[q.value(3).toString()] << chapterName;
        }
        QCOMPARE(chaptersOfTopic.size(), topics.size());
        // A topic may stand under two chapters.
        QCOMPARE(chaptersOfTopic.value(QStringLiteral("Musa")),
                 QStringList({QStringLiteral("Poslanici"), QStringLiteral("Povijest naroda")}));
    }

    void topicListing_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<int>("surah");
        QTest::addColumn<int>("ayah");
        QTest::addColumn<bool>("listed");
        // Words with another meaning, kept out by word forms, phrases or the topic's lists.
        QTest::newRow("Post: posta nevjernik, became an unbeliever") << "Post" << 2 << 34 << false;
        QTest::newRow("Post: post is prescribed") << "Post" << 2 << 183 << true;
        QTest::newRow("Sabur: ne smije trpiti štetu") << "Sabur" << 2 << 233 << false;
        QTest::newRow("Sabur: vječnu patnju trpite") << "Sabur" << 32 << 14 << false;
        QTest::newRow("Sabur: Allah is with the patient") << "Sabur" << 2 << 153 << true;
        QTest::newRow("Nasljedstvo: Knjigu naslijedila") << "Nasljedstvo" << 7 << 169 << false;
        QTest::newRow("Nasljedstvo: the shares of heirs") << "Nasljedstvo" << 4 << 11 << true;
        QTest::newRow("Nasljedstvo: added, no word of inheritance") << "Nasljedstvo" << 4 << 7 << true;
        QTest::newRow("Djeca: sinovi Israilovi") << "Djeca" << 2 << 40 << false;
        QTest::newRow("Dova: molitvu obavljajte is the ritual prayer") << "Dova" << 2 << 43 << false;
        QTest::newRow("Namaz: molitvu obavljajte") << "Namaz" << 2 << 43 << true;
        QTest::newRow("Hadž: turning to the Sacred Mosque is the qibla") << "Hadž" << 2 << 144 << false;
        QTest::newRow("Kibla: added, verb after the mosque") << "Kibla" << 2 << 149 << true;
    }

    void topicListing()
    {
        QFETCH(QString, topic);
        QFETCH(int, surah);
        QFETCH(int, ayah);
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("SELECT ajetet FROM klasifikim WHERE tema = ? AND nrsure = ?"));
        q.addBindValue(topic);
        q.addBindValue(surah);
        QVERIFY(q.exec());
        bool listed = false;
        while (q.next()) {
            for (const QString &item : q.value(0).toString().split(QLatin1Char(','))) {
                const QStringList ends = item.split(QLatin1Char('-'));
                listed |= ends.first().toInt() <= ayah && ayah <= ends.last().toInt();
            }
        }
        QTEST(listed, "listed");
    }

    void bosnianOrder_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("č before ć") << QStringLiteral("Čistoća") << QStringLiteral("Ćud");
        QTest::newRow("dz before dž") << QStringLiteral("Dzemat") << QStringLiteral("Dženaza");
        QTest::newRow("dž before đ") << QStringLiteral("Džennet") << QStringLiteral("Đavo");
        QTest::newRow("l-words before lj") << QStringLiteral("Lut") << QStringLiteral("Ljubav");
        QTest::newRow("n-words before nj") << QStringLiteral("Nuh") << QStringLiteral("Njiva");
        QTest::newRow("s before š") << QStringLiteral("Sunce") << QStringLiteral("Šejtan");
        QTest::newRow("z before ž") << QStringLiteral("Zvijezde") << QStringLiteral("Žene");
        QTest::newRow("case ignored for letters") << QStringLiteral("adem") << QStringLiteral("Bekare");
        QTest::newRow("accent as base letter") << QStringLiteral("Lām") << QStringLiteral("Lan");
    }

    void bosnianOrder()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QVERIFY(classification::bosnian::lessThan(first, second));
        QVERIFY(!classification::bosnian::lessThan(second, first));
        QVERIFY(!classification::bosnian::lessThan(first, first));
    }

    void referenceString_data()
    {
        QTest::addColumn<QList<int>>("ayahs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QList<int>{} << QString();
        QTest::newRow("one") << QList<int>{5} << QStringLiteral("5");
        QTest::newRow("two adjacent") << QList<int>{1, 2} << QStringLiteral("1-2");
        QTest::newRow("single between ranges") << QList<int>{1, 2, 4, 6, 7} << QStringLiteral("1-2,4,6-7");
        QTest::newRow("unsorted with repeats") << QList<int>{5, 1, 3, 2, 5, 1} << QStringLiteral("1-3,5");
        QTest::newRow("large numbers") << QList<int>{255, 256, 286} << QStringLiteral("255-256,286");
    }

    void referenceString()
    {
        QFETCH(QList<int>, ayahs);
        QTEST(classification::TopicIndex::referenceString(ayahs), "expected");
    }

    void rtfEscape_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("small letters") << QStringLiteral("šđčćž") << QByteArray("\\'9a\\'f0\\'e8\\'e6\\'9e");
        QTest::newRow("quote and dash") << QStringLiteral("’–…") << QByteArray("\\'92\\'96\\'85");
        QTest::newRow("braces and backslash") << QStringLiteral("{a}\\b") << QByteArray("\\{a\\}\\\\b");
        QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
        QTest::newRow("line breaks become blanks") << QStringLiteral("a\r\nb") << QByteArray("a  b");
        QTest::newRow("outside code page, base letter") << QStringLiteral("Lām") << QByteArray("L\\u257 am");
        QTest::newRow("ê is not ę of the code page") << QStringLiteral("ê") << QByteArray("\\u234 e");
        QTest::newRow("no base letter") << QStringLiteral("中") << QByteArray("\\u20013 ?");
        QTest::newRow("above 32767 is negative") << QString(QChar(0xE000)) << QByteArray("\\u-8192 ?");
    }

    void rtfEscape()
    {
        QFETCH(QString, text);
        QTEST(data::RtfWriter::escapeText(text), "expected");
    }

    // The array after "const <name> =" in the package's module, to its matching "]"; a bracket
    // closed by the other kind ends the search with nothing.
    void declaredArray_data()
    {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<QByteArray>("array"); // "-": none
        QTest::newRow("nested") << QByteArray(
                                       "export const tafsir = [{\"a\": [1, {\"b\": 2}]}, 3];\nconst x = [];")
                                << QByteArray("[{\"a\": [1, {\"b\": 2}]}, 3]");
        QTest::newRow("brackets in strings")
            << QByteArray("var tafsir=[\"]\", \"}\\\"[\"] tail") << QByteArray("[\"]\", \"}\\\"[\"]");
        QTest::newRow("other arrays first")
            << QByteArray("let suraList = [1]; const tafsir = [2]") << QByteArray("[2]");
        QTest::newRow("[ closed by }") << QByteArray("const tafsir = [1, 2} ]") << QByteArray("-");
        QTest::newRow("{ closed by ]") << QByteArray("const tafsir = [{\"a\": 1], 2}]") << QByteArray("-");
        QTest::newRow("not closed") << QByteArray("const tafsir = [[1]") << QByteArray("-");
        QTest::newRow("absent") << QByteArray("const tafsirs = [1]") << QByteArray("-");
    }

    void declaredArray()
    {
        QFETCH(QByteArray, module);
        const std::optional<QByteArray> found = data::QuranSource::declaredArray(module, "tafsir");
        QTEST(found.value_or("-"), "array");
    }

    void badPackageKeepsOldFiles_data()
    {
        QTest::addColumn<QByteArray>("package");
        const QByteArray real = readFile(kPackage);
        QByteArray flipped = real;
        flipped[flipped.size() / 2] = char(flipped.at(flipped.size() / 2) ^ 0x01);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("this is not a gzip file\n").repeated(100);
        QTest::newRow("truncated") << real.left(real.size() / 2);
        QTest::newRow("one bit changed") << flipped;
    }

    void badPackageKeepsOldFiles()
    {
        QFETCH(QByteArray, package);
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(writeFile(dir + QStringLiteral("/Bazabos.db"), "old store"));
        QVERIFY(writeFile(dir + QStringLiteral("/KUR'AN.rtf"), "old text"));
        QVERIFY(writeFile(tmp.filePath(QStringLiteral("bad.tgz")), package));
        QString out;
        const int exitCode = runTool({QStringLiteral("make-default"), dir, QStringLiteral("--package"),
                                      tmp.filePath(QStringLiteral("bad.tgz"))},
                                     &out);
        QVERIFY2(exitCode > 0 && out.contains(QStringLiteral("integrity")), qPrintable(out));
        QCOMPARE(readFile(dir + QStringLiteral("/Bazabos.db")), QByteArray("old store"));
        QCOMPARE(readFile(dir + QStringLiteral("/KUR'AN.rtf")), QByteArray("old text"));
        // Nothing else left behind: no half-written file, no kept package.
        QCOMPARE(entries(dir), QStringList({QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
    }

    void rerunIsUpToDateAndRepairs()
    {
        // A copy of the default data folder, so that the shared one is never touched.
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/.source")));
        const QStringList files = {QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf"),
                                   QStringLiteral(".velmora-data-stamp"),
                                   QStringLiteral(".source/kmaslesa-tefsir-1.0.19.tgz")};
        for (const QString &name : files)
            QVERIFY2(QFile::copy(kDataDir + QLatin1Char('/') + name, dir + QLatin1Char('/') + name),
                     qPrintable(name));
        QString out; // a first run brings the copy up to date should velmora-data have changed
        QVERIFY2(runTool({QStringLiteral("make-default"), dir}, &out) == 0, qPrintable(out));
        const QString text = dir + QStringLiteral("/KUR'AN.rtf");
        const QByteArray rtf = readFile(text);
        QList<QDateTime> times;
        for (const QString &name : files)
            times << QFileInfo(dir + QLatin1Char('/') + name).lastModified();
        QVERIFY2(runTool({QStringLiteral("make-default"), dir}, &out) == 0, qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("is up to date")), qPrintable(out));
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(QFileInfo(dir + QLatin1Char('/') + files.at(i)).lastModified(), times.at(i));

        // A damaged file is noticed and made again, the same as before.
        QVERIFY(writeFile(text, rtf.left(1000)));
        QVERIFY2(runTool({QStringLiteral("make-default"), dir}, &out) == 0, qPrintable(out));
        QVERIFY(readFile(text) == rtf);
        QCOMPARE(entries(dir), QStringList({QStringLiteral(".source"), QStringLiteral(".velmora-data-stamp"),
                                            QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")}));
    }

private:
    QStringList column(const QString &sql, int col = 0)
    {
        QSqlQuery q(sql, m_db);
        QStringList values;
        while (q.next())
            values << q.value(col).toString();
        return values;
    }

    QSqlDatabase m_db;
    QStringList m_paragraphs;
};

QTEST_GUILESS_MAIN(TestDefaultData)
#include "tst_defaultdata.moc"
