#pragma once

// A data folder for recitation tests: a copy of the default data (the store and the whole
// text) with a folder `wav` of generated clips, sine tones of known length; and the fixture of
// the tests that drive the recitation window.

#include "../fxsnd/soundkit.h"
#include "ScriptedControl.h"
#include "TestSupport.h"

#include "data/DataFolder.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/SurahSelectors.h"

#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>

namespace velmora::test {

class RecitationData {
public:
    bool make(const QString &defaultData)
    {
        bool ok = m_dir.isValid() && QDir(path()).mkpath(QStringLiteral("wav"));
        for (const QString &name : {QStringLiteral("Bazabos.db"), QStringLiteral("KUR'AN.rtf")})
            ok = ok && QFile::copy(QDir(defaultData).filePath(name), QDir(path()).filePath(name));
        return ok;
    }
    QString path() const { return m_dir.path(); }
    QString clip(int surah, int ayah) const
    {
        return path() + QStringLiteral("/wav/s%1a%2.wav").arg(surah).arg(ayah);
    }
    bool addClip(int surah, int ayah, int ms) const
    {
        return !testwav::writeFile(clip(surah, ayah),
                                   testwav::toneWav(testwav::Format{48000, 1, 16}, ms / 1000.0))
                    .isEmpty();
    }
    // The Bismillah clip (s1a1.wav) and every ayah of the given surah.
    bool addSurah(int surah, int ayahs, int ms) const
    {
        bool ok = addClip(1, 1, ms);
        for (int a = 1; a <= ayahs; ++a)
            ok = ok && addClip(surah, a, ms);
        return ok;
    }

private:
    QTemporaryDir m_dir;
};

// A recitation window on a fresh copy of the data, its sound going to a scripted control, with
// no medium of this machine in the way.
class RecitationWindowFixture {
protected:
    bool prepare()
    {
        setVolumeLister([] { return QList<MountedVolume>{}; });
        m_data = std::make_unique<RecitationData>();
        if (!m_data->make(QStringLiteral(VELMORA_TEST_DATA_DIR)))
            return false;
        DataFolder::setPath(m_data->path());
        CDDriveLetter.clear();
        m_sound = ScriptedControl();
        return true;
    }
    void tearDown()
    {
        m_win.reset();
        DataFolder::reset();
    }
    RecitationWindow *openWindow()
    {
        m_win = std::make_unique<RecitationWindow>();
        m_win->show();
        m_win->setSoundControl(&m_sound);
        return m_win.get();
    }
    template <typename T = QWidget> T *ctl(const char *name) const
    {
        return byName<T>(m_win.get(), QLatin1String(name));
    }
    void chooseOneSurah(int surah) const
    {
        ctl<QRadioButton>("Option2")->click();
        ctl<QComboBox>("CmbNrSure")->setEditText(QString::number(surah));
        m_win->selectors()->CmbNrSure_Click();
    }

    std::unique_ptr<RecitationData> m_data;
    std::unique_ptr<RecitationWindow> m_win;
    ScriptedControl m_sound;
};

} // namespace velmora::test
