#include "recitation/SoundFile.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sndfile.h>

namespace velmora {

qint64 SoundInfo::durationUs() const
{
    if (sampleRate <= 0 || frameCount <= 0)
        return 0;
    // Split to keep frameCount * 1e6 from overflowing for very long clips.
    return frameCount / sampleRate * 1000000 + frameCount % sampleRate * 1000000 / sampleRate;
}

qint64 SoundInfo::durationMs() const
{
    if (sampleRate <= 0 || frameCount <= 0)
        return 0;
    return frameCount / sampleRate * 1000 + frameCount % sampleRate * 1000 / sampleRate;
}

namespace {

// libsndfile reads the clip through these, from the device the clip holds.
sf_count_t deviceLength(void *user)
{
    return static_cast<QIODevice *>(user)->size();
}

sf_count_t deviceSeek(sf_count_t offset, int whence, void *user)
{
    auto *device = static_cast<QIODevice *>(user);
    qint64 base = 0;
    switch (whence) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = device->pos();
        break;
    case SEEK_END:
        base = device->size();
        break;
    default:
        return -1;
    }
    if ((offset > 0 && base > std::numeric_limits<qint64>::max() - offset) ||
        (offset < 0 && base < std::numeric_limits<qint64>::min() - offset))
        return -1;
    const qint64 target = base + offset;
    // A file would let the position go past its end and a buffer in memory would not; past the
    // end is refused for every device, so that a clip opens alike from either.
    if (target < 0 || target > device->size() || !device->seek(target))
        return -1;
    return device->pos();
}

sf_count_t deviceRead(void *ptr, sf_count_t count, void *user)
{
    if (count <= 0)
        return 0;
    const qint64 got = static_cast<QIODevice *>(user)->read(static_cast<char *>(ptr), count);
    return got < 0 ? 0 : got;
}

sf_count_t deviceWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t deviceTell(void *user)
{
    return static_cast<QIODevice *>(user)->pos();
}

SF_VIRTUAL_IO &virtualIo()
{
    static SF_VIRTUAL_IO io{deviceLength, deviceSeek, deviceRead, deviceWrite, deviceTell};
    return io;
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

quint32 le32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

// Whether a RIFF WAVE file's chunks before its sound data fit in the file. libsndfile walks a
// chunk (a LIST chunk of metadata, say) for as many bytes as its header claims, and on a header
// that claims gigabytes past the end of a small file it keeps going for minutes; such a file is
// damaged, and is refused before libsndfile sees it. The sound data itself may run short (a
// recording cut off), which libsndfile reads as far as it goes. Other formats pass unchecked.
bool riffChunksFit(QIODevice &device)
{
    const qint64 size = device.size();
    char head[12];
    if (!device.seek(0) || device.read(head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return device.seek(0);
    qint64 pos = 12;
    bool fits = true;
    char chunk[8];
    while (pos + 8 <= size) {
        if (!device.seek(pos) || device.read(chunk, 8) != 8)
            break;
        if (std::memcmp(chunk, "data", 4) == 0)
            break;
        const qint64 length = le32(chunk + 4);
        if (pos + 8 + length > size) {
            fits = false;
            break;
        }
        pos += 8 + length + (length & 1);
    }
    return device.seek(0) && fits;
}

// A frame count the file cannot vouch for: none, or libsndfile's "unknown".
bool lengthUnknown(sf_count_t frames)
{
    return frames <= 0 || frames >= std::numeric_limits<sf_count_t>::max() / 2;
}

} // namespace

struct SoundFilePrivate {
    std::unique_ptr<QIODevice> device;
    SNDFILE *sf = nullptr;
    SoundInfo info;
    // The first block, decoded when the clip was opened (and after a rewind), handed out before
    // anything else is decoded.
    std::vector<float> primed;
    qint64 primedFrames = 0;
    qint64 primedAt = 0;
    bool atStart = true;

    qint64 decode(float *out, qint64 frames)
    {
        if (!sf || frames <= 0)
            return 0;
        const sf_count_t got = sf_readf_float(sf, out, frames);
        if (got <= 0)
            return 0;
        const qint64 samples = qint64(got) * info.channels;
        for (qint64 i = 0; i < samples; ++i) {
            const float v = out[i];
            out[i] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
        return got;
    }

    bool prime()
    {
        primed.resize(size_t(SoundFile::BlockFrames * info.channels));
        primedFrames = decode(primed.data(), SoundFile::BlockFrames);
        primedAt = 0;
        atStart = true;
        return primedFrames > 0;
    }

    void close()
    {
        if (sf)
            sf_close(sf);
        sf = nullptr;
        device.reset();
        info = SoundInfo();
        primed.clear();
        primedFrames = primedAt = 0;
        atStart = true;
    }
};

SoundFile::SoundFile() : d(std::make_unique<SoundFilePrivate>()) {}

SoundFile::~SoundFile()
{
    d->close();
}

bool SoundFile::open(const QString &path, QString *error)
{
    if (path.isEmpty()) {
        close();
        return fail(error, QStringLiteral("no file"));
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return fail(error, file->errorString());
    return open(std::move(file), error);
}

bool SoundFile::open(std::unique_ptr<QIODevice> device, QString *error)
{
    close();
    if (!device || !device->isOpen() || !device->isReadable() || device->isSequential())
        return fail(error, QStringLiteral("not a readable file"));
    if (!riffChunksFit(*device))
        return fail(error, QStringLiteral("a WAV chunk runs past the end of the file"));
    d->device = std::move(device);
    SF_INFO sfInfo;
    std::memset(&sfInfo, 0, sizeof sfInfo);
    d->sf = sf_open_virtual(&virtualIo(), SFM_READ, &sfInfo, d->device.get());
    if (!d->sf) {
        const QString reason = QString::fromLocal8Bit(sf_strerror(nullptr));
        d->close();
        return fail(error, reason);
    }
    if (sfInfo.channels < 1 || sfInfo.channels > MaxChannels || sfInfo.samplerate < MinSampleRate ||
        sfInfo.samplerate > MaxSampleRate) {
        d->close();
        return fail(error, QStringLiteral("unsupported channel count or sample rate"));
    }
    // Integer samples come out scaled to [-1, 1) (libsndfile's default, set here so that it
    // holds whatever the library's build says).
    sf_command(d->sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    d->info.channels = sfInfo.channels;
    d->info.sampleRate = sfInfo.samplerate;
    d->info.frameCount = sfInfo.frames;

    if (lengthUnknown(sfInfo.frames)) {
        // Count the frames by decoding the clip through, then start again.
        const qint64 cap = MaxCountedSeconds * sfInfo.samplerate;
        std::vector<float> scratch(size_t(BlockFrames * sfInfo.channels));
        qint64 counted = 0;
        for (qint64 got; counted < cap && (got = d->decode(scratch.data(), BlockFrames)) > 0;)
            counted += got;
        d->info.frameCount = std::min(counted, cap);
        d->atStart = false;
        if (counted == 0 || !rewind()) {
            d->close();
            return fail(error, QStringLiteral("the file holds no sound"));
        }
    } else if (!d->prime()) {
        d->close();
        return fail(error, QStringLiteral("the file holds no sound"));
    }
    if (d->primedFrames <= 0) {
        d->close();
        return fail(error, QStringLiteral("the file holds no sound"));
    }
    return true;
}

void SoundFile::close()
{
    d->close();
}

bool SoundFile::isOpen() const
{
    return d->sf != nullptr;
}

const SoundInfo &SoundFile::info() const
{
    return d->info;
}

qint64 SoundFile::read(float *out, qint64 frames)
{
    if (!d->sf || frames <= 0)
        return 0;
    qint64 given = 0;
    const int channels = d->info.channels;
    if (d->primedAt < d->primedFrames) {
        given = std::min(frames, d->primedFrames - d->primedAt);
        std::copy_n(d->primed.data() + d->primedAt * channels, given * channels, out);
        d->primedAt += given;
    }
    if (given < frames)
        given += d->decode(out + given * channels, frames - given);
    if (given > 0)
        d->atStart = false;
    return given;
}

bool SoundFile::rewind()
{
    if (!d->sf)
        return false;
    if (d->atStart)
        return true;
    // A fresh decoder rather than a seek: an MP3 decoder that seeks back into a damaged stream
    // may decode it otherwise than the first time, and a clip played again must sound the same.
    sf_close(d->sf);
    d->sf = nullptr;
    SF_INFO sfInfo;
    std::memset(&sfInfo, 0, sizeof sfInfo);
    if (d->device->seek(0))
        d->sf = sf_open_virtual(&virtualIo(), SFM_READ, &sfInfo, d->device.get());
    if (!d->sf || sfInfo.channels != d->info.channels || sfInfo.samplerate != d->info.sampleRate) {
        d->close();
        return false;
    }
    sf_command(d->sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    return d->prime();
}

bool SoundFile::atStart() const
{
    return d->atStart;
}

bool SoundFile::mp3Supported()
{
    SF_INFO probe;
    std::memset(&probe, 0, sizeof probe);
    probe.channels = 1;
    probe.samplerate = 44100;
    probe.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    return sf_format_check(&probe) == SF_TRUE;
}

} // namespace velmora
