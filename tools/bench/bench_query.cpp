// Measures the data store: opening the store plus one ayah query, as every handler does, and
// a LIKE over the whole verse table with the program's matcher against SQLite's own LIKE on
// one connection.
//
//   bench_query DATADIR [repetitions]

#include "data/DataFolder.h"
#include "data/Database.h"
#include "data/JetSql.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

using velmora::DataFolder;
using velmora::data::Database;
using velmora::data::Recordset;

namespace {

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Runs two counting scans in turn, `reps` times each, and keeps the best time of each in
// milliseconds (taking turns spreads the load of a busy machine over both).
void scanPair(sqlite3 *db, const char *sqlA, const QByteArray &patternA, const char *sqlB,
              const QByteArray &patternB, int reps, double best[2], long long count[2])
{
    sqlite3_stmt *st[2] = {nullptr, nullptr};
    sqlite3_prepare_v2(db, sqlA, -1, &st[0], nullptr);
    sqlite3_prepare_v2(db, sqlB, -1, &st[1], nullptr);
    const QByteArray *patterns[2] = {&patternA, &patternB};
    best[0] = best[1] = 1e300;
    for (int r = 0; r < reps; ++r) {
        for (int k = 0; k < 2; ++k) {
            QElapsedTimer t;
            t.start();
            sqlite3_bind_text(st[k], 1, patterns[k]->constData(), int(patterns[k]->size()), SQLITE_TRANSIENT);
            if (sqlite3_step(st[k]) == SQLITE_ROW)
                count[k] = sqlite3_column_int64(st[k], 0);
            sqlite3_reset(st[k]);
            best[k] = std::min(best[k], double(t.nsecsElapsed()) / 1e6);
        }
    }
    sqlite3_finalize(st[0]);
    sqlite3_finalize(st[1]);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: bench_query DATADIR [repetitions]\n";
        return 2;
    }
    const int reps = args.size() > 2 ? qMax(1, args[2].toInt()) : 2000;
    DataFolder::setPath(args[1]);

    QElapsedTimer first;
    first.start();
    Database db = Database::open(QStringLiteral("bazabos.mdb"));
    if (!db.isOpen()) {
        QTextStream(stderr) << db.errorString() << "\n";
        return 1;
    }
    out << "store: " << db.path() << "\n";
    out << "first open (connection, schema): " << double(first.nsecsElapsed()) / 1e3 << " us\n";

    // The ayahs to ask for: every 7th ayah of the table, as the topic report asks them.
    QList<QPair<QString, QString>> ayahs;
    {
        Recordset all = db.openRecordset(QStringLiteral("SELECT nrsure, nrajet FROM kuran"));
        for (int k = 0; !all.eof(); all.moveNext(), ++k) {
            if (k % 7 == 0)
                ayahs.append({*all.field(0), *all.field(1)});
        }
        out << "ayahs in kuran: " << all.rowCount() << "\n";
    }
    if (ayahs.isEmpty())
        return 1;

    std::vector<double> times;
    times.reserve(size_t(reps));
    int failures = 0;
    for (int r = 0; r < reps; ++r) {
        const auto &[s, a] = ayahs[r % ayahs.size()];
        QElapsedTimer t;
        t.start();
        const Database handlerDb = Database::open(QStringLiteral("bazabos.mdb"));
        Recordset rs = handlerDb.openRecordset(QStringLiteral("select * FROM kuran where nrsure = ") + s +
                                               QStringLiteral("And nrajet = ") + a);
        const bool ok = !rs.eof() && rs.field(2).has_value();
        times.push_back(double(t.nsecsElapsed()) / 1e3);
        failures += ok ? 0 : 1;
    }
    // The two halves on their own.
    std::vector<double> openTimes, queryTimes;
    for (int r = 0; r < reps; ++r) {
        const auto &[s, a] = ayahs[r % ayahs.size()];
        QElapsedTimer t;
        t.start();
        const Database handlerDb = Database::open(QStringLiteral("bazabos.mdb"));
        openTimes.push_back(double(t.nsecsElapsed()) / 1e3);
        t.restart();
        Recordset rs = db.openRecordset(QStringLiteral("select * FROM kuran where nrsure = ") + s +
                                        QStringLiteral("And nrajet = ") + a);
        queryTimes.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    out << "open alone: median " << percentile(openTimes, 0.5) << " us; ayah query alone: median "
        << percentile(queryTimes, 0.5) << " us\n";
    out << "open + one ayah query (" << reps << " runs): median " << percentile(times, 0.5) << " us, p99 "
        << percentile(times, 0.99) << " us, max " << percentile(times, 1.0) << " us"
        << (failures ? QStringLiteral(", %1 FAILED").arg(failures) : QString()) << "\n";

    // LIKE over the whole table on the program's own connection: its matcher, then SQLite's.
    sqlite3 *conn = db.nativeHandle();
    const int scanReps = 60;
    out << "LIKE over kuran.tekstajet, best of " << scanReps
        << " (ms): word, jet_like, built-in LIKE, ratio, "
        << "rows jet / built-in, whole verse search through Database\n";
    for (const char *w : {"Allah", "musa", "čovjek", "qqqxqqq", "Kur'an"}) {
        const QString word = QString::fromUtf8(w);
        long long count[2] = {0, 0};
        double best[2];
        scanPair(conn, "SELECT count(*) FROM kuran WHERE jet_like(tekstajet, ?)",
                 (QLatin1Char('*') + word + QLatin1Char('*')).toUtf8(),
                 "SELECT count(*) FROM kuran WHERE tekstajet LIKE ?",
                 (QLatin1Char('%') + word + QLatin1Char('%')).toUtf8(), scanReps, best, count);
        double whole = 1e300;
        for (int r = 0; r < 10; ++r) {
            QElapsedTimer t;
            t.start();
            QString copy = word;
            copy.replace(QLatin1Char('\''), QLatin1String("''"));
            Recordset rs = Database::open(QStringLiteral("bazabos.mdb"))
                               .openRecordset(QStringLiteral("SELECT * FROM kuran WHERE tekstajet LIKE '*") +
                                              copy + QStringLiteral("*'"));
            if (!rs.isValid())
                break;
            whole = std::min(whole, double(t.nsecsElapsed()) / 1e6);
        }
        out << "  " << word << ": " << best[0] << ", " << best[1] << ", " << best[0] / best[1] << ", "
            << count[0] << " / " << count[1] << ", " << whole << "\n";
    }
    return failures ? 1 : 0;
}
