#include "classification/TopicData.h"

#include "data/DataFolder.h"
#include "data/Database.h"

namespace velmora {

namespace {

bool isNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// The ayah line of the current row from its first three columns, or nothing when one of
// them cannot be read.
std::optional<QString> ayahLineOf(const data::Recordset &rs)
{
    const auto surah = rs.field(0);
    const auto ayah = rs.field(1);
    const auto text = rs.field(2);
    if (!surah || !ayah || !text)
        return std::nullopt;
    return ayahLineText(*surah, *ayah, *text);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QString topicStoreName()
{
    return DataFolder::storeName();
}

QString topicQueryText(const QString &topic)
{
    return QStringLiteral("select nrsure, emrsure, ajetet from klasifikim where ((tema = ") +
           data::quoteDouble(topic) + QStringLiteral("));");
}

std::optional<QList<TopicNode>> loadTopicTree(const data::Database &db, QString *error)
{
    if (!db.isOpen()) {
        setError(error, db.errorString());
        return std::nullopt;
    }
    data::Recordset rs = db.openRecordset(QStringLiteral("select * from KreuMeTema"));
    if (!rs.isValid()) {
        setError(error, rs.errorString());
        return std::nullopt;
    }
    TopicTreeBuilder builder;
    QList<TopicNode> nodes;
    for (; !rs.eof(); rs.moveNext()) {
        const auto chapterNumber = rs.field(0);
        const auto chapterName = rs.field(1);
        const auto topicNumber = rs.field(2);
        const auto topicName = rs.field(3);
        if (!chapterNumber || !chapterName || !topicNumber || !topicName) {
            setError(error, rs.errorString());
            return std::nullopt;
        }
        nodes += builder.addRow(*chapterNumber, *chapterName, *topicNumber, *topicName);
    }
    return nodes;
}

std::optional<QStringList> loadTopicNames(const data::Database &db, QString *error)
{
    if (!db.isOpen()) {
        setError(error, db.errorString());
        return std::nullopt;
    }
    data::Recordset rs = db.openRecordset(QStringLiteral("select * from VetemTemat"));
    if (!rs.isValid()) {
        setError(error, rs.errorString());
        return std::nullopt;
    }
    QStringList names;
    for (; !rs.eof(); rs.moveNext()) {
        const auto name = rs.field(0);
        if (!name) {
            setError(error, rs.errorString());
            return std::nullopt;
        }
        names << *name;
    }
    return names;
}

QStringList loadReferenceLines(const data::Database &db, const QString &topic)
{
    QStringList lines;
    if (!db.isOpen())
        return lines;
    data::Recordset rs = db.openRecordset(topicQueryText(topic));
    if (!rs.isValid())
        return lines;
    for (; !rs.eof(); rs.moveNext()) {
        const auto surah = rs.field(0);
        const auto name = rs.field(1);
        const auto references = rs.field(2);
        if (surah && name && references)
            lines << referenceLineText(*surah, *name, *references);
    }
    return lines;
}

QStringList fetchAyahLines(const data::Database &db, const ReferenceLine &line,
                           const std::function<void()> &afterRow)
{
    QStringList lines;
    // The surah number goes into the query text as it stands; anything but a number could
    // not name a surah.
    if (!db.isOpen() || !isNumber(line.surah))
        return lines;
    const AyahScan scan = scanReferences(line.references);
    if (scan.kind == AyahScan::Kind::Single) {
        for (int ayah : scan.ayahs) {
            data::Recordset rs = db.openRecordset(ayahQueryText(line.surah, ayah));
            if (!rs.isValid())
                continue;
            for (; !rs.eof(); rs.moveNext()) {
                if (const auto text = ayahLineOf(rs))
                    lines << *text;
                if (afterRow)
                    afterRow();
            }
        }
        return lines;
    }
    for (int ayah : scan.ayahs) {
        const data::Recordset rs = db.openRecordset(ayahQueryText(line.surah, ayah));
        if (!rs.isValid() || rs.eof())
            continue;
        if (const auto text = ayahLineOf(rs))
            lines << *text;
    }
    return lines;
}

} // namespace velmora
