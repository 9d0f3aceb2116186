#pragma once

// Test clips: WAV files of sine tones written byte by byte, so that every field of the file
// is under the test's control. Shared by the sound tests (header only).

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <vector>

namespace testwav {

struct Format {
    int rate = 48000;
    int channels = 1;
    int bits = 16; // 8, 16, 24 or 32
    bool isFloat = false;
    bool extensible = false;
};

inline QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// A chunk with its header, and the pad byte after an odd-sized body.
inline QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c(id, 4);
    c += le32(quint32(body.size()));
    c += body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

inline QByteArray riff(const QList<QByteArray> &chunks)
{
    QByteArray body("WAVE");
    for (const QByteArray &c : chunks)
        body += c;
    return QByteArray("RIFF") + le32(quint32(body.size())) + body;
}

inline QByteArray fmtBody(const Format &f)
{
    const int bytes = f.bits / 8;
    const quint16 code = f.isFloat ? 3 : 1;
    QByteArray b;
    b += le16(f.extensible ? 0xFFFE : code);
    b += le16(quint16(f.channels));
    b += le32(quint32(f.rate));
    b += le32(quint32(f.rate * f.channels * bytes));
    b += le16(quint16(f.channels * bytes));
    b += le16(quint16(f.bits));
    if (f.extensible) {
        b += le16(22);
        b += le16(quint16(f.bits));
        b += le32(f.channels == 2 ? 3 : 4);
        b += le16(code);
        const char tail[14] = {0x00, 0x00, 0x00,       0x00, 0x10, 0x00,       char(0x80),
                               0x00, 0x00, char(0xAA), 0x00, 0x38, char(0x9B), 0x71};
        b += QByteArray(tail, 14);
    }
    return b;
}

// Interleaved values of a tone: channel c sounds at (c + 1) times the frequency, so that a
// swap of channels shows.
inline std::vector<double> tone(const Format &f, double seconds, double frequency, double amplitude)
{
    const auto frames = qint64(std::llround(seconds * f.rate));
    std::vector<double> v(size_t(frames * f.channels));
    for (qint64 i = 0; i < frames; ++i) {
        for (int c = 0; c < f.channels; ++c)
            v[size_t(i * f.channels + c)] =
                amplitude * std::sin(2.0 * M_PI * frequency * (c + 1) * double(i) / f.rate);
    }
    return v;
}

// The sound data for `values`, and in `stored` the exact values the file then holds, as the
// reader should decode them.
inline QByteArray sampleBytes(const Format &f, const std::vector<double> &values,
                              std::vector<double> *stored = nullptr)
{
    QByteArray out;
    if (stored)
        stored->clear();
    for (double v : values) {
        double s = 0.0;
        if (f.isFloat) {
            const float x = float(v);
            char b[4];
            qToLittleEndian(x, b);
            out += QByteArray(b, 4);
            s = x;
        } else if (f.bits == 8) {
            const int x = std::clamp(int(std::lround(v * 127.0)) + 128, 0, 255);
            out += char(uchar(x));
            s = (x - 128) / 128.0;
        } else {
            const double scale = std::ldexp(1.0, f.bits - 1);
            const qint64 x =
                std::clamp<qint64>(std::llround(v * (scale - 1)), qint64(-scale), qint64(scale - 1));
            for (int k = 0; k < f.bits / 8; ++k)
                out += char(uchar((quint64(x) >> (8 * k)) & 0xFF));
            s = double(x) / scale;
        }
        if (stored)
            stored->push_back(s);
    }
    return out;
}

inline QByteArray toneWav(const Format &f, double seconds, double frequency = 1000.0, double amplitude = 0.5)
{
    return riff(
        {chunk("fmt ", fmtBody(f)), chunk("data", sampleBytes(f, tone(f, seconds, frequency, amplitude)))});
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace testwav
