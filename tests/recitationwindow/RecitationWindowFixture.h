#pragma once

#include "RecitationData.h"
#include "ScriptedControl.h"
#include "TestSupport.h"

#include "data/DataFolder.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/SurahSelectors.h"

#include <QComboBox>
#include <QRadioButton>
#include <memory>

namespace velmora::test {

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
