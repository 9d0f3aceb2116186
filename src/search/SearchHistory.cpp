#include "search/SearchHistory.h"

#include <QSettings>

namespace velmora::SearchHistory {

namespace {
constexpr int kMaxEntries = 10;
}

QString section()
{
    return QStringLiteral("Lista e fjal\u00EBve t\u00EB k\u00EBrkuara");
}

QString key(int index)
{
    return QStringLiteral("Fjala ") + QString::number(index);
}

void record(QStringList &list, const QString &text)
{
    if (!list.contains(text, Qt::CaseSensitive))
        list.append(text);
    if (list.size() > kMaxEntries)
        list.removeFirst();
}

void pick(QStringList &list)
{
    if (list.size() >= kMaxEntries)
        list.removeFirst();
}

QStringList load(QSettings &settings)
{
    QStringList list;
    settings.beginGroup(section());
    if (!settings.value(key(0)).toString().isEmpty()) {
        const int n = static_cast<int>(settings.childKeys().size());
        for (int i = 0; i < n; ++i)
            list.append(settings.value(key(i)).toString());
    }
    settings.endGroup();
    return list;
}

void save(QSettings &settings, const QStringList &list)
{
    settings.beginGroup(section());
    const QStringList existing = settings.childKeys();
    for (int i = 0; i < list.size(); ++i)
        settings.setValue(key(i), list.at(i));
    // Keys beyond the list are left over from a longer list saved earlier.
    for (const QString &k : existing) {
        bool ok = false;
        const int index = k.startsWith(QStringLiteral("Fjala ")) ? k.mid(6).toInt(&ok) : -1;
        if (!ok || index >= list.size())
            settings.remove(k);
    }
    settings.endGroup();
    settings.sync();
}

} // namespace velmora::SearchHistory
