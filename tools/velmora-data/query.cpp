#include "Commands.h"

#include "data/DataFolder.h"
#include "data/Database.h"

#include <QFileInfo>
#include <QTextStream>

namespace {
// Tabs and line breaks inside a value would break the row layout; they are written as
// escapes, and so is the backslash itself.
QString cell(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}
} // namespace

int queryCommand(const QStringList &args)
{
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "Usage: velmora-data query DATADIR \"QUERY TEXT\"\n";
        return 2;
    }
    if (!QFileInfo(args[0]).isDir()) {
        err << "velmora-data: \"" << args[0] << "\" is not a folder\n";
        return 1;
    }
    velmora::DataFolder::setPath(args[0]);
    const velmora::data::Database db = velmora::data::Database::open(velmora::DataFolder::storeName());
    if (!db.isOpen()) {
        err << "velmora-data: " << db.errorString() << "\n";
        return 1;
    }
    // Rows are written as the store gives them, none kept: a query with millions of rows
    // (a table joined with itself) streams out rather than filling the memory first.
    QTextStream out(stdout);
    const auto header = [&out](const QStringList &names) {
        QStringList cells;
        for (const QString &n : names)
            cells << cell(n);
        out << cells.join(QLatin1Char('\t')) << "\n";
    };
    QStringList cells;
    const auto row = [&](const QStringList &values) {
        cells.clear();
        for (const QString &v : values)
            cells << cell(v);
        out << cells.join(QLatin1Char('\t')) << "\n";
        return out.status() == QTextStream::Ok;
    };
    QString error;
    if (!db.streamRows(args[1], header, row, &error)) {
        out.flush();
        err << "velmora-data: the query was not accepted: " << error << "\n";
        return 1;
    }
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << "velmora-data: cannot write the rows\n";
        return 1;
    }
    return 0;
}
