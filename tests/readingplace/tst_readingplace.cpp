#include "TestSupport.h"
// Ayah references, the selection of one whole ayah, the last place read and the bookmarks as
// kept in a settings file: no window, a settings file of the test's own.
#include "textview/Bookmarks.h"
#include "textview/ReadingPlace.h"

#include <QtTest>

using namespace velmora;

namespace {
// A heading, a blank paragraph, three ayahs; paragraphs end with CR LF, the last without.
const QString kText = QStringLiteral("2. SURA BEKARE\r\n"
                                     "\r\n"
                                     "2:254.\tO vjernici, udjeljujte!\r\n"
                                     "2:255.\tAllah je, nema boga osim Njega.\r\n"
                                     "12:5.\tO sinko moj.");

int at(const QString &piece)
{
    return int(kText.indexOf(piece));
}
} // namespace

class TestReadingPlace : public QObject {
    Q_OBJECT
private slots:
    void ayahRef_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("surah"); // 0: no reference
        QTest::addColumn<int>("ayah");
        QTest::newRow("2:255") << "2:255" << 2 << 255;
        QTest::newRow("last ayah of the book") << "114:6" << 114 << 6;
        QTest::newRow("longest surah's last ayah") << "2:286" << 2 << 286;
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("no colon") << "2255" << 0 << 0;
        QTest::newRow("surah 0") << "0:1" << 0 << 0;
        QTest::newRow("surah past 114") << "115:1" << 0 << 0;
        QTest::newRow("ayah 0") << "2:0" << 0 << 0;
        QTest::newRow("ayah past 286") << "2:287" << 0 << 0;
        QTest::newRow("leading zero") << "02:5" << 0 << 0;
        QTest::newRow("blank after") << "2:255 " << 0 << 0;
        QTest::newRow("sign") << "2:-5" << 0 << 0;
        QTest::newRow("two colons") << "2:2:5" << 0 << 0;
        QTest::newRow("letters") << "2:25a" << 0 << 0;
        QTest::newRow("marker dot") << "2:255." << 0 << 0;
        QTest::newRow("huge number") << "99999999999:1" << 0 << 0;
    }

    void ayahRef()
    {
        QFETCH(QString, text);
        QFETCH(int, surah);
        QFETCH(int, ayah);
        const auto ref = parseAyahRef(text);
        QCOMPARE(ref.has_value(), surah != 0);
        if (ref) {
            QCOMPARE(ref->surah, surah);
            QCOMPARE(ref->ayah, ayah);
            QCOMPARE(formatAyahRef(*ref), text);
        }
    }

    void wholeAyah_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("ayah"); // empty: not one whole ayah
        const int a255 = at(QStringLiteral("2:255."));
        const int len255 = int(QStringLiteral("2:255.\tAllah je, nema boga osim Njega.").size());
        QTest::newRow("marker to end of text") << a255 << len255 << "2:255";
        QTest::newRow("with its paragraph end") << a255 << len255 + 2 << "2:255";
        QTest::newRow("last paragraph of the text")
            << at(QStringLiteral("12:5.")) << int(kText.size()) - at("12:5.") << "12:5";
        QTest::newRow("first ayah after a heading")
            << at(QStringLiteral("2:254.")) << at(QStringLiteral("\r\n2:255.")) - at(QStringLiteral("2:254."))
            << "2:254";
        QTest::newRow("one character short") << a255 << len255 - 1 << "";
        QTest::newRow("starts after the marker") << a255 + 7 << len255 - 7 << "";
        QTest::newRow("runs into the next ayah") << a255 << len255 + 3 << "";
        QTest::newRow("two whole ayahs")
            << at(QStringLiteral("2:254.")) << at("12:5.") - 2 - at("2:254.") << "";
        QTest::newRow("the heading") << 0 << 14 << "";
        QTest::newRow("nothing selected") << a255 << 0 << "";
        QTest::newRow("past the end") << a255 << int(kText.size()) << "";
        QTest::newRow("negative start") << -1 << 5 << "";
    }

    void wholeAyah()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        const auto found = wholeAyahSelected(kText, start, length);
        QTEST(found ? formatAyahRef(*found) : QString(), "ayah");
    }

    void lastPlace_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid: nothing stored
        QTest::addColumn<QString>("read");    // empty: no place
        QTest::newRow("nothing kept") << QVariant() << "";
        QTest::newRow("kept place") << QVariant(QStringLiteral("18:10")) << "18:10";
        QTest::newRow("damaged text") << QVariant(QStringLiteral("18:x")) << "";
        QTest::newRow("a list") << QVariant(QStringList{QStringLiteral("1:1"), QStringLiteral("2:2")}) << "";
        QTest::newRow("a number") << QVariant(7) << "";
    }

    void lastPlace()
    {
        QFETCH(QVariant, stored);
        const QString path = settingsPath("lastplace.conf");
        QFile::remove(path);
        {
            QSettings s(path, QSettings::IniFormat);
            s.setValue(QStringLiteral("Zadrzi"), 1); // another key, untouched
            if (stored.isValid())
                s.setValue(LastPlace::key(), stored);
        }
        QSettings s(path, QSettings::IniFormat);
        const auto place = LastPlace::load(s);
        QTEST(place ? formatAyahRef(*place) : QString(), "read");
        LastPlace::save(s, AyahRef{36, 1});
        s.sync();
        QSettings again(path, QSettings::IniFormat);
        QCOMPARE(LastPlace::load(again), std::optional<AyahRef>(AyahRef{36, 1}));
        QCOMPARE(again.value(QStringLiteral("Zadrzi")).toInt(), 1);
    }

    void bookmarkEntry_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("readable");
        QTest::newRow("as written") << Bookmarks::entryValue(AyahRef{2, 255},
                                                             QDateTime(QDate(2024, 3, 1), QTime(18, 30)))
                                    << true;
        QTest::newRow("with a zone offset") << "2:255|2024-03-01T18:30:00+01:00" << true;
        QTest::newRow("no date") << "2:255" << false;
        QTest::newRow("empty date") << "2:255|" << false;
        QTest::newRow("date not a date") << "2:255|gestern" << false;
        QTest::newRow("ayah out of range") << "2:300|2024-03-01T18:30:00" << false;
        QTest::newRow("one field too many") << "2:255|2024-03-01T18:30:00|x" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("cut short while written") << "2:25" << false;
    }

    void bookmarkEntry()
    {
        QFETCH(QString, value);
        const auto b = Bookmarks::parseEntry(QStringLiteral("Zabiljeska 3"), value);
        QTEST(b.has_value(), "readable");
        if (b) {
            QCOMPARE(b->place, (AyahRef{2, 255}));
            QCOMPARE(b->marked.date(), QDate(2024, 3, 1));
            QCOMPARE(b->key, QStringLiteral("Zabiljeska 3"));
        }
    }

    // A settings file edited by hand or cut short: every damaged entry is skipped, the others are
    // all read, the most recent first.
    void damagedBookmarksAreSkipped()
    {
        const QString path = settingsPath("damaged.conf");
        QVERIFY(test::writeFile(path, "[Zabiljeske]\n"
                                      "Zabiljeska%200=2:255|2024-03-01T18:30:00\n"
                                      "Zabiljeska%201=2:255|kaputt\n"
                                      "Zabiljeska%202=1:1, 2:2\n"
                                      "Zabiljeska%203=36:1|2024-05-02T08:00:00\n"
                                      "Zabiljeska%204=\n"
                                      "Nesto=18:10|2024-06-01T08:00:00\n"
                                      "Zabiljeska%20x=18:10|2024-06-01T08:00:00\n"
                                      "Zabiljeska%205=114:6|2023-12-31T23:59:59\n"
                                      "Zabiljeska%206=\"unclosed\n"));
        QSettings s(path, QSettings::IniFormat);
        QStringList read;
        for (const Bookmark &b : Bookmarks::load(s))
            read << formatAyahRef(b.place) + QLatin1Char(' ') + b.key;
        QCOMPARE(read, (QStringList{"36:1 Zabiljeska 3", "2:255 Zabiljeska 0", "114:6 Zabiljeska 5"}));
    }

    void addMarksOnceAndLeavesDamagedEntries()
    {
        const QString path = settingsPath("add.conf");
        QFile::remove(path);
        QSettings s(path, QSettings::IniFormat);
        s.setValue(QStringLiteral("Zabiljeske/Zabiljeska 7"), QStringLiteral("damaged"));
        const QDateTime first(QDate(2024, 1, 1), QTime(10, 0));
        const QString k1 = Bookmarks::add(s, AyahRef{2, 255}, first);
        const QString k2 = Bookmarks::add(s, AyahRef{18, 10}, first.addSecs(60));
        // A new entry never takes the key of another, damaged or not.
        QCOMPARE(k1, QStringLiteral("Zabiljeska 8"));
        QCOMPARE(k2, QStringLiteral("Zabiljeska 9"));
        // Marking 2:255 again moves it to the top with its new moment; it is listed once.
        const QString k3 = Bookmarks::add(s, AyahRef{2, 255}, first.addSecs(120));
        s.sync();
        QSettings again(path, QSettings::IniFormat);
        const QList<Bookmark> list = Bookmarks::load(again);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).place, (AyahRef{2, 255}));
        QCOMPARE(list.at(0).key, k3);
        QCOMPARE(list.at(0).marked, first.addSecs(120));
        QCOMPARE(list.at(1).place, (AyahRef{18, 10}));
        QCOMPARE(again.value(QStringLiteral("Zabiljeske/Zabiljeska 7")).toString(),
                 QStringLiteral("damaged"));
    }

    void removeTakesOnlyItsOwnEntry()
    {
        const QString path = settingsPath("remove.conf");
        QFile::remove(path);
        QSettings s(path, QSettings::IniFormat);
        const QDateTime when(QDate(2024, 1, 1), QTime(10, 0));
        const QString a = Bookmarks::add(s, AyahRef{1, 1}, when);
        Bookmarks::add(s, AyahRef{2, 2}, when.addSecs(1));
        Bookmarks::add(s, AyahRef{3, 3}, when.addSecs(2));
        // A key that is no bookmark's (an empty one would name the whole section) removes nothing.
        for (const QString &stray : {QString(), QStringLiteral("Zabiljeska"), QStringLiteral("Nesto")})
            Bookmarks::remove(s, stray);
        QCOMPARE(Bookmarks::load(s).size(), 3);
        Bookmarks::remove(s, a);
        s.sync();
        QSettings again(path, QSettings::IniFormat);
        QStringList left;
        for (const Bookmark &b : Bookmarks::load(again))
            left << formatAyahRef(b.place);
        QCOMPARE(left, (QStringList{"3:3", "2:2"}));
    }

    void firstWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("longer text") << QStringLiteral("Allah je, nema boga osim Njega, Živog i Vječnog!")
                                     << QStringLiteral("Allah je, nema boga...");
        QTest::newRow("exactly four words")
            << QStringLiteral("U ime Allaha, Milostivog") << QStringLiteral("U ime Allaha, Milostivog");
        QTest::newRow("blanks and line breaks")
            << QStringLiteral("  Elif\tLam \r\n Mim  ") << QStringLiteral("Elif Lam Mim");
        QTest::newRow("empty") << QString() << QString();
    }

    void firstWords()
    {
        QFETCH(QString, text);
        QTEST(velmora::firstWords(text, 4), "shown");
    }

private:
    QString settingsPath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestReadingPlace)
#include "tst_readingplace.moc"
