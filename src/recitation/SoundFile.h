#pragma once

#include <QString>
#include <memory>
#include <vector>

class QIODevice;

namespace velmora {

// What a clip holds: interleaved frames of one sample per channel.
struct SoundInfo {
    int channels = 0;
    int sampleRate = 0;
    qint64 frameCount = 0;

    qint64 durationUs() const;
    qint64 durationMs() const; // rounded down
};

struct SoundFilePrivate;

// A clip decoded by libsndfile: WAV in its variants (PCM of any width, float, the ADPCM kinds,
// WAVE_FORMAT_EXTENSIBLE), MP3, Ogg Vorbis, Opus and FLAC, recognised by their content rather
// than by the file's name. The file is read through a QIODevice, so that a clip in memory and
// one on disk take the same path.
//
// Opening decodes the first block of sound at once: a clip that is damaged before its first
// sound, or holds none, fails to open, and a caller knows at once that it cannot be played.
// Samples come out as floats within [-1, 1]; values a file stores beyond full scale are clipped
// and NaN or infinite ones become silence.
class SoundFile {
public:
    static constexpr int MaxChannels = 8;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;
    // A clip whose length the file does not state is counted by decoding it; longer than this
    // it is taken as this long.
    static constexpr qint64 MaxCountedSeconds = 3600;
    // Frames decoded per block.
    static constexpr qint64 BlockFrames = 4096;

    SoundFile();
    ~SoundFile();
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;

    // Opens the clip at `path`. False, with the reason in `error`, when the file is missing,
    // unreadable, of a kind libsndfile does not know, or yields no sound.
    bool open(const QString &path, QString *error = nullptr);
    // The same over a readable device that allows seeking; the clip keeps it.
    bool open(std::unique_ptr<QIODevice> device, QString *error = nullptr);
    void close();
    bool isOpen() const;

    const SoundInfo &info() const;

    // Decodes up to `frames` frames into `out` (room for frames * channels floats) and returns
    // how many it gave; 0 at the end of the sound or when the rest cannot be decoded.
    qint64 read(float *out, qint64 frames);
    // Back to the first frame. False when the decoder cannot go back.
    bool rewind();
    // Whether nothing has been read since the clip was opened or rewound.
    bool atStart() const;

    // Whether this libsndfile decodes MP3 (libsndfile built with mpg123 and LAME).
    static bool mp3Supported();

private:
    std::unique_ptr<SoundFilePrivate> d;
};

} // namespace velmora
