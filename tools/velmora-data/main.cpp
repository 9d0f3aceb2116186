#include "Commands.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
void usage()
{
    QTextStream err(stderr);
    err << "Usage:\n"
        << "  velmora-data make-default DIR           make the default data in DIR\n"
        << "  velmora-data import-mdb FILE DIR        convert an Access database into DIR\n"
        << "  velmora-data query DATADIR \"QUERY\"      run one query text, rows tab-separated\n";
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage();
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("make-default"))
        return makeDefaultCommand(args);
    if (command == QLatin1String("import-mdb"))
        return importMdbCommand(args);
    if (command == QLatin1String("query"))
        return queryCommand(args);
    usage();
    return 2;
}
