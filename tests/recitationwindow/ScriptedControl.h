#pragma once

#include "recitation/SoundControl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSet>
#include <QStringList>
#include <functional>

namespace velmora::test {

// A sound control without sound: a clip that exists lasts `polls` reads of its position, and
// each read while it plays posts an event so that a wait for the next event returns at once.
// Clips listed in `missing` cannot play (status "stopped" at once). A hook runs at each poll.
class ScriptedControl : public SoundControl {
public:
    int polls = 2;
    bool wakes = true; // post an event at each poll
    QSet<QString> missing;
    QStringList played; // file of every command 5
    QList<int> commands;
    QString file;
    std::function<void(const QString &file, int poll)> onPoll;

    void setFile(const QString &path) override
    {
        file = path;
        m_playing = false;
        m_pos = 0;
        m_hasClip = false;
    }
    void setCommand(int command) override
    {
        commands << command;
        if (command == 5) {
            played << file;
            m_hasClip = true;
            m_playing = !missing.contains(file);
            m_pos = 0;
        } else if (command == 11) {
            m_playing = false;
        }
    }
    qint32 position() const override
    {
        if (m_playing && m_pos < polls) {
            ++m_pos;
            if (wakes)
                QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::User));
            if (onPoll) {
                const QString now = file;
                const int n = m_pos;
                onPoll(now, n);
            }
        }
        return m_pos;
    }
    qint32 startPosition() const override { return 0; }
    qint32 length() const override { return m_playing || m_pos ? polls : 0; }
    QString status() const override
    {
        if (!m_hasClip)
            return QString();
        return m_playing && m_pos < polls ? QStringLiteral("playing") : QStringLiteral("stopped");
    }

private:
    mutable int m_pos = 0;
    bool m_playing = false;
    bool m_hasClip = false;
};

} // namespace velmora::test
