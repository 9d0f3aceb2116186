#include "Commands.h"

#include "data/DataFolder.h"
#include "data/MdbImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {

const QString kStoreName = QStringLiteral("Bazabos.db");
const QString kWholeText = QStringLiteral("KUR'AN.rtf");

// Table names and row counts of a store, in the order the tables were made.
// Also counts the saved queries recorded in the store.
bool listTables(const QString &storePath, QTextStream &out, qint64 *queryCount, QString *error)
{
    const QString connection = QStringLiteral("velmora-data-import");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(storePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery tables(db);
            ok = tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                            "name NOT LIKE 'velmora\\_%' ESCAPE '\\' ORDER BY rowid"));
            while (ok && tables.next()) {
                const QString name = tables.value(0).toString();
                QString quoted = name;
                quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
                QSqlQuery count(db);
                ok = count.exec(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(quoted)) && count.next();
                if (ok)
                    out << "  " << name << "\t" << count.value(0).toLongLong() << " rows\n";
                else
                    *error = count.lastError().text();
            }
            if (!ok && error->isEmpty())
                *error = tables.lastError().text();
            QSqlQuery queries(db);
            if (ok && queries.exec(QStringLiteral("SELECT COUNT(*) FROM velmora_queries")) && queries.next())
                *queryCount = queries.value(0).toLongLong();
        } else {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace

int importMdbCommand(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "Usage: velmora-data import-mdb FILE DIR\n"
            << "Converts the Access database FILE into DIR/" << kStoreName << " and copies the whole text "
            << kWholeText << " found beside FILE into DIR.\n";
        return 2;
    }
    const QString mdbPath = args.at(0);
    const QString dirPath = args.at(1);
    if (!QFileInfo(mdbPath).isFile()) {
        err << "velmora-data: " << QDir::toNativeSeparators(mdbPath) << " does not exist or is not a file\n";
        return 1;
    }
    if (!velmora::data::isAccessFile(mdbPath)) {
        err << "velmora-data: " << QDir::toNativeSeparators(mdbPath) << " is not an Access database\n";
        return 1;
    }
    if (!QDir().mkpath(dirPath)) {
        err << "velmora-data: cannot create the folder " << QDir::toNativeSeparators(dirPath) << "\n";
        return 1;
    }
    const QString storePath = QDir(dirPath).filePath(kStoreName);

    QString error;
    QStringList skipped;
    if (!velmora::data::importMdb(mdbPath, storePath, &error, &skipped)) {
        err << "velmora-data: " << error << "\n";
        return 1;
    }

    out << "Converted " << QDir::toNativeSeparators(mdbPath) << " into "
        << QDir::toNativeSeparators(storePath) << "\nTables:\n";
    qint64 queryCount = 0;
    if (!listTables(storePath, out, &queryCount, &error)) {
        err << "velmora-data: cannot read the new store: " << error << "\n";
        return 1;
    }
    if (queryCount == 0) {
        out << "The file holds no saved queries.\n";
    } else if (skipped.isEmpty()) {
        out << "Every saved query became a view.\n";
    } else {
        out << "Saved queries not converted into views (" << skipped.size() << "):\n";
        for (const QString &name : std::as_const(skipped))
            out << "  " << name << "\n";
    }

    // The whole text beside the Access file makes DIR a complete data folder.
    const QString sourceDir = QFileInfo(mdbPath).absolutePath();
    const QString text = velmora::DataFolder::findFile(sourceDir, kWholeText);
    if (!text.isEmpty()) {
        const QString copy = QDir(dirPath).absoluteFilePath(QFileInfo(text).fileName());
        if (QFileInfo(copy).absoluteFilePath() != QFileInfo(text).absoluteFilePath()) {
            // Any earlier copy of the text in DIR, whatever its letter case, gives way.
            const QString earlier = velmora::DataFolder::findFile(dirPath, kWholeText);
            if (!earlier.isEmpty())
                QFile::remove(earlier);
            if (!QFile::copy(text, copy)) {
                err << "velmora-data: cannot copy " << QDir::toNativeSeparators(text) << " to "
                    << QDir::toNativeSeparators(copy) << "\n";
                return 1;
            }
            out << "Copied " << QFileInfo(text).fileName() << "\n";
        }
    } else {
        out << "No " << kWholeText << " beside " << QDir::toNativeSeparators(mdbPath) << ": copy it into "
            << QDir::toNativeSeparators(dirPath) << " to complete the data folder.\n";
    }
    return 0;
}
