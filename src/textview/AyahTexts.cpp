#include "textview/AyahTexts.h"

#include "data/DataFolder.h"
#include "data/Database.h"

namespace velmora {

namespace {
const QString kTranslationColumn = QStringLiteral("tekstajet");
const QString kArabicColumn = QStringLiteral("tekstarapski");
const QString kCommentaryColumn = QStringLiteral("tefsir");

data::Database openStore()
{
    return data::Database::open(DataFolder::storeName());
}
} // namespace

void AyahTexts::checkColumns(const QString &storePath)
{
    ++m_checks;
    m_store = storePath;
    m_hasArabic = false;
    m_hasCommentary = false;
    // No row is needed: an empty result names its columns too.
    const data::Recordset rs =
        openStore().openRecordset(QStringLiteral("SELECT * FROM kuran WHERE nrsure = 0"));
    for (const QString &name : rs.fieldNames()) {
        if (name.compare(kArabicColumn, Qt::CaseInsensitive) == 0)
            m_hasArabic = true;
        else if (name.compare(kCommentaryColumn, Qt::CaseInsensitive) == 0)
            m_hasCommentary = true;
    }
}

AyahTexts::Entry AyahTexts::lookup(int surah, int ayah)
{
    Entry entry;
    const data::Database db = openStore();
    if (!db.isOpen())
        return entry;
    if (db.path() != m_store)
        checkColumns(db.path());

    const QString s = QString::number(surah);
    const QString a = QString::number(ayah);
    // The numbers become parameters of the translated statement, so every lookup runs the one
    // statement the store prepared for the first.
    const auto query = [&] {
        QStringList columns{kTranslationColumn};
        if (m_hasArabic)
            columns << kArabicColumn;
        if (m_hasCommentary)
            columns << kCommentaryColumn;
        return db.openRecordset(QStringLiteral("SELECT %1 FROM kuran WHERE nrsure = %2 AND nrajet = %3")
                                    .arg(columns.join(QStringLiteral(", ")), s, a));
    };
    data::Recordset rs = query();
    if (!rs.isValid()) {
        checkColumns(db.path());
        rs = query();
    }
    entry.hasArabic = m_hasArabic;
    entry.hasCommentary = m_hasCommentary;
    if (!rs.isValid() || rs.eof())
        return entry;
    entry.found = true;
    entry.translation = rs.field(kTranslationColumn).value_or(QString());
    if (m_hasArabic)
        entry.arabic = rs.field(kArabicColumn).value_or(QString());
    if (m_hasCommentary)
        entry.commentary = rs.field(kCommentaryColumn).value_or(QString());

    const data::Recordset sure =
        db.openRecordset(QStringLiteral("SELECT EmriBoshnjakisht FROM sure WHERE Numri = ") + s);
    if (sure.isValid() && !sure.eof())
        entry.surahName = sure.field(0).value_or(QString());
    return entry;
}

} // namespace velmora
