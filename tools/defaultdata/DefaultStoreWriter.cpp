#include "defaultdata/DefaultStoreWriter.h"

#include "defaultdata/QuranSource.h"
#include "defaultdata/TopicIndex.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace velmora::data {

namespace {
class Connection {
public:
    explicit Connection(const QString &path)
    {
        static QAtomicInt counter;
        m_name = QStringLiteral("velmora-store-writer-%1").arg(counter.fetchAndAddRelaxed(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

bool exec(QSqlQuery &q, QString *error)
{
    if (q.exec())
        return true;
    *error = q.lastError().text();
    return false;
}

bool execText(QSqlDatabase &db, const QString &text, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(text))
        return true;
    *error = QStringLiteral("%1 (%2)").arg(q.lastError().text(), text);
    return false;
}

bool fillTables(QSqlDatabase &db, const QuranSource &source, const classification::ClassificationTables &c,
                QString *error)
{
    QSqlQuery sure(db);
    if (!sure.prepare(
            QStringLiteral("INSERT INTO sure (Numri, EmriArapisht, EmriBoshnjakisht, \"Nr i ajeteve\") "
                           "VALUES (?, ?, ?, ?)"))) {
        *error = sure.lastError().text();
        return false;
    }
    for (const SurahInfo &s : source.surahs()) {
        sure.bindValue(0, s.number);
        sure.bindValue(1, s.arabicName);
        sure.bindValue(2, s.shortName);
        sure.bindValue(3, s.ayahCount);
        if (!exec(sure, error))
            return false;
    }

    QSqlQuery kuran(db);
    if (!kuran.prepare(QStringLiteral("INSERT INTO kuran (nrsure, nrajet, tekstajet, tekstarapski, tefsir) "
                                      "VALUES (?, ?, ?, ?, ?)"))) {
        *error = kuran.lastError().text();
        return false;
    }
    for (const AyahRecord &a : source.ayahs()) {
        kuran.bindValue(0, a.surah);
        kuran.bindValue(1, a.ayah);
        kuran.bindValue(2, a.translation);
        kuran.bindValue(3, a.arabic);
        kuran.bindValue(4, a.commentary);
        if (!exec(kuran, error))
            return false;
    }

    QSqlQuery klasifikim(db);
    if (!klasifikim.prepare(
            QStringLiteral("INSERT INTO klasifikim (nrsure, emrsure, ajetet, tema) VALUES (?, ?, ?, ?)"))) {
        *error = klasifikim.lastError().text();
        return false;
    }
    for (const classification::ClassificationRow &r : c.references) {
        klasifikim.bindValue(0, r.surah);
        klasifikim.bindValue(1, r.surahName);
        klasifikim.bindValue(2, r.ayahs);
        klasifikim.bindValue(3, r.topic);
        if (!exec(klasifikim, error))
            return false;
    }

    QSqlQuery chapters(db);
    if (!chapters.prepare(
            QStringLiteral("INSERT INTO KreuMeTema (NrKreu, EmriKreu, NrTema, Tema) VALUES (?, ?, ?, ?)"))) {
        *error = chapters.lastError().text();
        return false;
    }
    for (const classification::ChapterTopicRow &r : c.chapterTopics) {
        chapters.bindValue(0, r.chapterNumber);
        chapters.bindValue(1, r.chapterName);
        chapters.bindValue(2, r.topicNumber);
        chapters.bindValue(3, r.topic);
        if (!exec(chapters, error))
            return false;
    }

    QSqlQuery topics(db);
    if (!topics.prepare(QStringLiteral("INSERT INTO VetemTemat (Tema) VALUES (?)"))) {
        *error = topics.lastError().text();
        return false;
    }
    for (const QString &t : c.topicsAlphabetical) {
        topics.bindValue(0, t);
        if (!exec(topics, error))
            return false;
    }
    return true;
}
} // namespace

QStringList DefaultStoreWriter::schema()
{
    return {
        QStringLiteral("CREATE TABLE sure (Numri INTEGER NOT NULL, EmriArapisht TEXT, EmriBoshnjakisht TEXT, "
                       "\"Nr i ajeteve\" INTEGER)"),
        QStringLiteral("CREATE UNIQUE INDEX numri ON sure(Numri)"),
        QStringLiteral("CREATE INDEX emriboshnjakisht ON sure(EmriBoshnjakisht)"),
        QStringLiteral("CREATE INDEX \"nr i ajeteve\" ON sure(\"Nr i ajeteve\", Numri)"),
        QStringLiteral(
            "CREATE TABLE kuran (nrsure INTEGER NOT NULL, nrajet INTEGER NOT NULL, tekstajet TEXT, "
            "tekstarapski TEXT, tefsir TEXT)"),
        QStringLiteral("CREATE UNIQUE INDEX kuran_mjesto ON kuran(nrsure, nrajet)"),
        QStringLiteral("CREATE TABLE klasifikim (nrsure INTEGER, emrsure TEXT, ajetet TEXT, tema TEXT)"),
        QStringLiteral("CREATE TABLE KreuMeTema (NrKreu INTEGER, EmriKreu TEXT, NrTema INTEGER, Tema TEXT)"),
        QStringLiteral("CREATE TABLE VetemTemat (Tema TEXT)"),
    };
}

bool DefaultStoreWriter::write(const QString &path, const QuranSource &source,
                               const classification::ClassificationTables &classification, QString *error)
{
    Connection connection(path);
    QSqlDatabase db = connection.db();
    if (!db.isValid()) {
        *error = QStringLiteral("the SQLite driver of Qt (QSQLITE) is not available");
        return false;
    }
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    // The file is a private temporary one until it is complete: no rollback journal is
    // needed, and the caller flushes it to disk before putting it in place.
    if (!execText(db, QStringLiteral("PRAGMA journal_mode = OFF"), error) ||
        !execText(db, QStringLiteral("PRAGMA synchronous = OFF"), error))
        return false;
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    for (const QString &statement : schema()) {
        if (!execText(db, statement, error)) {
            db.rollback();
            return false;
        }
    }
    if (!fillTables(db, source, classification, error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    // Sanity check of what was written, read back through the same connection.
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("SELECT (SELECT count(*) FROM kuran), (SELECT count(*) FROM sure), "
                                   "(SELECT count(*) FROM klasifikim)")) ||
        !check.next()) {
        *error = check.lastError().text();
        return false;
    }
    if (check.value(0).toInt() != QuranSource::kAyahCount ||
        check.value(1).toInt() != QuranSource::kSurahCount ||
        check.value(2).toInt() != classification.references.size()) {
        *error =
            QStringLiteral("the store holds %1 ayahs, %2 surahs and %3 classification rows after writing")
                .arg(check.value(0).toInt())
                .arg(check.value(1).toInt())
                .arg(check.value(2).toInt());
        return false;
    }
    check.finish();
    db.close();
    return true;
}

} // namespace velmora::data
