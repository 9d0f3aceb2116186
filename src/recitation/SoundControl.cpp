#include "recitation/SoundControl.h"

#include "recitation/FXSnd.h"

namespace velmora {

void FXSndControl::setFile(const QString &path)
{
    m_snd->setFile(path);
}

void FXSndControl::setCommand(int command)
{
    m_snd->setCommand(command);
}

qint32 FXSndControl::position() const
{
    return m_snd->position();
}

qint32 FXSndControl::startPosition() const
{
    return m_snd->startPosition();
}

qint32 FXSndControl::length() const
{
    return m_snd->length();
}

QString FXSndControl::status() const
{
    return m_snd->status();
}

} // namespace velmora
