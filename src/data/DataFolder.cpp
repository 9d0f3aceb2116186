#include "data/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmora {

namespace {
QString &chosenPath()
{
    static QString path;
    return path;
}

const QString kWholeText = QStringLiteral("KUR'AN.rtf");
} // namespace

QString DataFolder::findFile(const QString &dir, const QString &name)
{
    if (dir.isEmpty() || name.isEmpty())
        return {};
    QDir d(dir);
    const QFileInfo exact(d.filePath(name));
    if (exact.isFile())
        return exact.absoluteFilePath();
    const QString match = matchName(fileNames(dir), name);
    return match.isEmpty() ? QString() : QFileInfo(d.filePath(match)).absoluteFilePath();
}

QStringList DataFolder::fileNames(const QString &dir)
{
    // Unsorted: sorting would load the locale's collation for a handful of names.
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
}

QString DataFolder::matchName(const QStringList &names, const QString &name)
{
    if (name.isEmpty())
        return {};
    const QString *chosen = nullptr;
    for (const QString &entry : names) {
        if (entry == name)
            return entry;
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && (!chosen || entry < *chosen))
            chosen = &entry;
    }
    return chosen ? *chosen : QString();
}

bool DataFolder::holdsData(const QString &dir)
{
    if (findFile(dir, kWholeText).isEmpty())
        return false;
    return !findFile(dir, storeName()).isEmpty() || !findFile(dir, sqliteStoreName()).isEmpty();
}

QStringList DataFolder::candidates()
{
    QStringList dirs;
    dirs << QDir::currentPath();
    if (QCoreApplication::instance()) {
        const QString appDir = QCoreApplication::applicationDirPath();
        dirs << QDir(appDir).absoluteFilePath(QStringLiteral("../share/velmora"));
        dirs << QDir(appDir).absoluteFilePath(QStringLiteral("data"));
    }
    dirs << QStringLiteral(VELMORA_INSTALL_DATA_DIR);
    dirs << QStringLiteral(VELMORA_BUILD_DATA_DIR);
    for (QString &d : dirs)
        d = QDir::cleanPath(d);
    dirs.removeDuplicates();
    return dirs;
}

QString DataFolder::path()
{
    QString &p = chosenPath();
    if (p.isEmpty()) {
        const QStringList dirs = candidates();
        for (const QString &d : dirs) {
            if (holdsData(d)) {
                p = d;
                break;
            }
        }
        if (p.isEmpty())
            p = QDir::currentPath();
    }
    return p;
}

void DataFolder::setPath(const QString &dir)
{
    chosenPath() = QDir(dir).absolutePath();
}

void DataFolder::reset()
{
    chosenPath().clear();
}

QString DataFolder::resolve(const QString &name)
{
    return findFile(path(), name);
}

} // namespace velmora
