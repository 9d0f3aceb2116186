#pragma once

// A data folder for recitation tests: a copy of the default data (the store and the whole
// text) with a folder `wav` of generated clips, sine tones of known length.

#include "../fxsnd/wavgen.h"

#include <QDir>
#include <QTemporaryDir>

namespace velmora::test {

class RecitationData {
public:
    bool make(const QString &defaultData)
    {
        for (const char *name : {"Bazabos.db", "KUR'AN.rtf"}) {
            if (!QFile::copy(QDir(defaultData).filePath(QLatin1String(name)),
                             QDir(path()).filePath(QLatin1String(name))))
                return false;
        }
        return m_dir.isValid() && QDir(path()).mkpath(QStringLiteral("wav"));
    }
    QString path() const { return m_dir.path(); }
    QString clip(int surah, int ayah) const
    {
        return path() + QStringLiteral("/wav/s%1a%2.wav").arg(surah).arg(ayah);
    }
    bool addClip(int surah, int ayah, int ms) const
    {
        return testwav::writeFile(clip(surah, ayah), testwav::toneWav(testwav::Format(), ms / 1000.0));
    }

private:
    QTemporaryDir m_dir;
};

} // namespace velmora::test
