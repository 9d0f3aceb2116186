// Temporary stand-in for the Access import until it is merged: recognises an Access file
// and reports that it cannot be converted yet.
#include "data/MdbImport.h"

#include <QFile>

namespace velmora::data {

namespace {
QString notAvailable()
{
    return QStringLiteral("Access import is not available");
}
} // namespace

bool importMdb(const QString &, const QString &, QString *error, QStringList *, const ImportProgress &)
{
    if (error)
        *error = notAvailable();
    return false;
}

bool isAccessFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(20);
    return head.size() == 20 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QString cachedConversion(const QString &, QString *error, const ImportProgress &)
{
    if (error)
        *error = notAvailable();
    return QString();
}

} // namespace velmora::data
