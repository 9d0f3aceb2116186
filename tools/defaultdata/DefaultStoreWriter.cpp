#include "defaultdata/DefaultStoreWriter.h"

#include "defaultdata/QuranSource.h"
#include "defaultdata/TopicIndex.h"

#include "data/SqliteFile.h"

#include <QStringList>
#include <QVariant>

namespace velmora::data {

namespace {
// Prepares `sql` and runs it once for each row of values that `rows` gives.
template <typename Rows, typename Values>
bool insertRows(SqliteFile &db, const QString &sql, const Rows &rows, Values values, QString *error)
{
    SqliteStatement insert = db.prepare(sql);
    if (!insert.isValid()) {
        *error = QStringLiteral("%1 (%2)").arg(db.errorText(), sql);
        return false;
    }
    for (const auto &row : rows) {
        if (!insert.exec(values(row))) {
            *error = db.errorText();
            return false;
        }
    }
    return true;
}

bool execText(SqliteFile &db, const QString &text, QString *error)
{
    if (db.exec(text))
        return true;
    *error = QStringLiteral("%1 (%2)").arg(db.errorText(), text);
    return false;
}

bool fillTables(SqliteFile &db, const QuranSource &source, const classification::ClassificationTables &c,
                QString *error)
{
    return insertRows(
               db,
               QStringLiteral("INSERT INTO sure (Numri, EmriArapisht, EmriBoshnjakisht, \"Nr i ajeteve\") "
                              "VALUES (?, ?, ?, ?)"),
               source.surahs(),
               [](const SurahInfo &s) {
                   return QVariantList{s.number, s.arabicName, s.shortName, s.ayahCount};
               },
               error) &&
           insertRows(
               db,
               QStringLiteral("INSERT INTO kuran (nrsure, nrajet, tekstajet, tekstarapski, tefsir) "
                              "VALUES (?, ?, ?, ?, ?)"),
               source.ayahs(),
               [](const AyahRecord &a) {
                   return QVariantList{a.surah, a.ayah, a.translation, a.arabic, a.commentary};
               },
               error) &&
           insertRows(
               db,
               QStringLiteral("INSERT INTO klasifikim (nrsure, emrsure, ajetet, tema) VALUES (?, ?, ?, ?)"),
               c.references,
               [](const classification::ClassificationRow &r) {
                   return QVariantList{r.surah, r.surahName, r.ayahs, r.topic};
               },
               error) &&
           insertRows(
               db,
               QStringLiteral("INSERT INTO KreuMeTema (NrKreu, EmriKreu, NrTema, Tema) VALUES (?, ?, ?, ?)"),
               c.chapterTopics,
               [](const classification::ChapterTopicRow &r) {
                   return QVariantList{r.chapterNumber, r.chapterName, r.topicNumber, r.topic};
               },
               error) &&
           insertRows(
               db, QStringLiteral("INSERT INTO VetemTemat (Tema) VALUES (?)"), c.topicsAlphabetical,
               [](const QString &t) { return QVariantList{t}; }, error);
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
    SqliteFile db;
    if (!db.open(path, SqliteFile::Mode::Write)) {
        *error = db.errorText();
        return false;
    }
    // The file is a private temporary one until it is complete: no rollback journal is
    // needed, and the caller flushes it to disk before putting it in place.
    if (!execText(db, QStringLiteral("PRAGMA journal_mode = OFF"), error) ||
        !execText(db, QStringLiteral("PRAGMA synchronous = OFF"), error))
        return false;
    if (!db.begin()) {
        *error = db.errorText();
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
        *error = db.errorText();
        db.rollback();
        return false;
    }
    // Sanity check of what was written, read back through the same connection.
    SqliteStatement check =
        db.prepare(QStringLiteral("SELECT (SELECT count(*) FROM kuran), (SELECT count(*) FROM "
                                  "sure), (SELECT count(*) FROM klasifikim)"));
    if (!check.isValid() || !check.next()) {
        *error = db.errorText();
        return false;
    }
    const qint64 ayahs = check.value(0).i, surahs = check.value(1).i, references = check.value(2).i;
    if (ayahs != QuranSource::kAyahCount || surahs != QuranSource::kSurahCount ||
        references != classification.references.size()) {
        *error =
            QStringLiteral("the store holds %1 ayahs, %2 surahs and %3 classification rows after writing")
                .arg(ayahs)
                .arg(surahs)
                .arg(references);
        return false;
    }
    return true;
}

} // namespace velmora::data
