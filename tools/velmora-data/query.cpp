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
    const velmora::data::Database db = velmora::data::Database::open(QStringLiteral("bazabos.mdb"));
    if (!db.isOpen()) {
        err << "velmora-data: " << db.errorString() << "\n";
        return 1;
    }
    velmora::data::Recordset rs = db.openRecordset(args[1]);
    if (!rs.isValid()) {
        err << "velmora-data: the query was not accepted: " << rs.errorString() << "\n";
        return 1;
    }
    QTextStream out(stdout);
    QStringList names;
    for (const QString &n : rs.fieldNames())
        names << cell(n);
    out << names.join(QLatin1Char('\t')) << "\n";
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int k = 0; k < rs.fieldCount(); ++k)
            row << cell(rs.field(k).value_or(QString()));
        out << row.join(QLatin1Char('\t')) << "\n";
    }
    return 0;
}
