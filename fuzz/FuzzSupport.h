#pragma once

// Shared by the libFuzzer targets: a check that stops the run with a message (libFuzzer then
// saves the input that failed it), and the Qt application object some readers need.

#include <QByteArray>
#include <QGuiApplication>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace velmora::fuzz {

// A GUI application on Qt's offscreen platform, made once (text documents need fonts). Its
// own argument list keeps libFuzzer's options away from Qt's parser.
inline void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "velmora-fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input cut at its first NUL byte: the part before it and the part after it (empty when
// there is no NUL). Targets that take two texts read them this way.
inline std::pair<QByteArray, QByteArray> splitAtNul(const QByteArray &input)
{
    const qsizetype nul = input.indexOf('\0');
    if (nul < 0)
        return {input, QByteArray()};
    return {input.left(nul), input.mid(nul + 1)};
}

// True when the bytes are well-formed UTF-8 (what QString reads back to the same bytes).
inline bool isValidUtf8(const QByteArray &b)
{
    return QString::fromUtf8(b).toUtf8() == b;
}

} // namespace velmora::fuzz
