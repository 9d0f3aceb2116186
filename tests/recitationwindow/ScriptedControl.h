#pragma once

#include "recitation/SoundControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStringList>
#include <functional>

namespace velmora::test {

// A sound control without sound: a clip lasts `polls` reads of its position, and each read
// while it plays posts an event (unless `wakes` is off) so that a wait for the next event
// returns at once. A hook runs at each poll. With `real` set, every call goes on to that
// control instead, and the files, commands and start times are still recorded.
class ScriptedControl : public SoundControl {
public:
    int polls = 2;
    bool wakes = true;
    SoundControl *real = nullptr;
    QStringList played;      // file of every command 5
    QList<qint64> startedMs; // time of every command 5 on `clock`
    QElapsedTimer clock;
    QList<int> commands;
    QString file;
    std::function<void(const QString &file, int poll)> onPoll;

    void setFile(const QString &path) override
    {
        file = path;
        if (real)
            real->setFile(path);
    }
    void setCommand(int command) override
    {
        commands << command;
        if (real)
            real->setCommand(command);
        if (command == 5) {
            played << file;
            startedMs << clock.elapsed();
            m_playing = true;
            m_pos = 0;
        } else if (command == 11) {
            m_playing = false;
        }
    }
    qint32 position() const override
    {
        const bool moves = !real && m_playing && m_pos < polls;
        if (moves && wakes)
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::User));
        if (moves)
            ++m_pos;
        if (onPoll && (moves || real))
            onPoll(QString(file), m_pos);
        return real ? real->position() : m_pos;
    }
    qint32 startPosition() const override { return real ? real->startPosition() : 0; }
    qint32 length() const override { return real ? real->length() : polls; }
    QString status() const override
    {
        const bool playing = m_playing && m_pos < polls;
        return real ? real->status() : playing ? QStringLiteral("playing") : QStringLiteral("stopped");
    }

private:
    mutable int m_pos = 0;
    bool m_playing = false;
};

} // namespace velmora::test
