#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace velmora::data {

struct SurahInfo {
    int number = 0;
    int ayahCount = 0;
    QString arabicName;
    QString transcription; // the full Bosnian transcription, such as "El-Fatiha"
    QString shortName;     // the name the program uses, such as "Fatiha"
    bool medinan = false;
};

struct AyahRecord {
    int surah = 0;
    int ayah = 0;
    QString translation; // Bosnian
    QString arabic;
    QString commentary;
};

// The Qur'an text as published in the tafsir package: a JavaScript module that declares two
// arrays of JSON objects, `tafsir` (one object per ayah) and `suraList` (one per surah).
// Reading checks completeness: 114 surahs whose ayah counts add up to 6236, and for every
// surah exactly the ayahs 1..N.
class QuranSource {
public:
    static constexpr int kSurahCount = 114;
    static constexpr int kAyahCount = 6236;

    // Reads the module's text. Returns false, keeping nothing, when it is not complete.
    bool parse(const QByteArray &moduleText);
    QString errorString() const { return m_error; }

    // In surah order, and in surah and ayah order.
    const QList<SurahInfo> &surahs() const { return m_surahs; }
    const QList<AyahRecord> &ayahs() const { return m_ayahs; }

    // The short Bosnian name: the Arabic article in front of the hyphen is dropped
    // ("El-Fatiha" -> "Fatiha", "Eš-Šu'ara'" -> "Šu'ara'"); other names stay as they are
    // ("Ali-'Imran", "Ja-sin", "Junus").
    static QString shortSurahName(const QString &transcription);

    // The text of the JSON array that follows "const <name> =" in a module, from its "["
    // to the matching "]" (brackets inside strings do not count); nothing when absent, not
    // closed, or when a "[" or "{" is closed by the other kind of bracket.
    static std::optional<QByteArray> declaredArray(const QByteArray &moduleText, const QByteArray &name);

    // The Subresource Integrity form of a SHA-512 digest: "sha512-" and the base64 digest.
    static QString sha512Integrity(const QByteArray &bytes);

private:
    QList<SurahInfo> m_surahs;
    QList<AyahRecord> m_ayahs;
    QString m_error;
};

} // namespace velmora::data
