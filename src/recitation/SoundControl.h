#pragma once

#include <QString>

namespace velmora {

// What the playback sequencer needs of a sound player control: file, command, position,
// start position, length and status. The real control is FXSnd; tests script their own.
class SoundControl {
public:
    virtual ~SoundControl() = default;
    virtual void setFile(const QString &path) = 0;
    virtual void setCommand(int command) = 0;
    virtual qint32 position() const = 0;
    virtual qint32 startPosition() const = 0;
    virtual qint32 length() const = 0;
    virtual QString status() const = 0;
};

class FXSnd;

// The sequencer's view of an FXSnd.
class FXSndControl : public SoundControl {
public:
    explicit FXSndControl(FXSnd *snd) : m_snd(snd) {}
    void setFile(const QString &path) override;
    void setCommand(int command) override;
    qint32 position() const override;
    qint32 startPosition() const override;
    qint32 length() const override;
    QString status() const override;

private:
    FXSnd *m_snd;
};

} // namespace velmora
