#include "defaultdata/QuranSource.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace velmora::data {

namespace {
QString fail(QString *error, const QString &message)
{
    *error = message;
    return {};
}

bool readArray(const QByteArray &moduleText, const char *name, QJsonArray *array, QString *error)
{
    const auto text = QuranSource::declaredArray(moduleText, QByteArray(name));
    if (!text) {
        fail(error,
             QStringLiteral("the package's data.js holds no complete array \"%1\"").arg(QLatin1String(name)));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(*text, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
        fail(error, QStringLiteral("the array \"%1\" in data.js is not valid JSON (%2 at offset %3)")
                        .arg(QLatin1String(name), parseError.errorString())
                        .arg(parseError.offset));
        return false;
    }
    *array = doc.array();
    return true;
}
} // namespace

std::optional<QByteArray> QuranSource::declaredArray(const QByteArray &moduleText, const QByteArray &name)
{
    static const QRegularExpression declaration(QStringLiteral("(?:const|let|var)\\s+(\\w+)\\s*=\\s*\\["));
    // Search the raw bytes through a Latin-1 view so that offsets stay byte offsets.
    const QString view = QString::fromLatin1(moduleText);
    auto it = declaration.globalMatch(view);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(1) != QLatin1String(name))
            continue;
        const qsizetype start = match.capturedEnd(0) - 1; // the "["
        // The brackets still open, innermost last: each closing bracket must match the
        // innermost one, so that "[ ... }" is no array.
        QByteArray open;
        bool inString = false;
        for (qsizetype i = start; i < moduleText.size(); ++i) {
            const char c = moduleText.at(i);
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    inString = false;
                continue;
            }
            if (c == '"') {
                inString = true;
            } else if (c == '[' || c == '{') {
                open.append(c);
            } else if (c == ']' || c == '}') {
                if (open.back() != (c == ']' ? '[' : '{'))
                    return std::nullopt;
                open.chop(1);
                if (open.isEmpty())
                    return moduleText.mid(start, i - start + 1);
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

QString QuranSource::sha512Integrity(const QByteArray &bytes)
{
    return QStringLiteral("sha512-") +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha512).toBase64());
}

QString QuranSource::shortSurahName(const QString &transcription)
{
    // The article al- assimilated to the first letter of the name, as Bosnian writes it.
    static const QRegularExpression article(QStringLiteral("^E(?:l|r|s|t|n|z|d|š|ž)-(?=\\S)"));
    QString name = transcription.trimmed();
    name.remove(article);
    return name;
}

bool QuranSource::parse(const QByteArray &moduleText)
{
    m_surahs.clear();
    m_ayahs.clear();
    m_error.clear();
    QString error;
    QJsonArray tafsir;
    QJsonArray suraList;
    if (!readArray(moduleText, "tafsir", &tafsir, &error) ||
        !readArray(moduleText, "suraList", &suraList, &error)) {
        m_error = error;
        return false;
    }
    auto failWith = [this](const QString &message) {
        m_error = message;
        m_surahs.clear();
        m_ayahs.clear();
        return false;
    };

    if (suraList.size() != kSurahCount)
        return failWith(QStringLiteral("the package lists %1 surahs instead of %2")
                            .arg(suraList.size())
                            .arg(kSurahCount));
    QList<SurahInfo> surahs(kSurahCount);
    int ayahTotal = 0;
    for (const QJsonValue &value : suraList) {
        const QJsonObject o = value.toObject();
        const int number = o.value(QLatin1String("index")).toInt(0);
        if (number < 1 || number > kSurahCount || surahs[number - 1].number != 0)
            return failWith(
                QStringLiteral("the surah list has a missing or repeated surah number (%1)").arg(number));
        SurahInfo &s = surahs[number - 1];
        s.number = number;
        s.ayahCount = o.value(QLatin1String("numberOfAyas")).toInt(0);
        const QJsonObject name = o.value(QLatin1String("name")).toObject();
        s.arabicName = name.value(QLatin1String("arabic")).toString().trimmed();
        s.transcription = name.value(QLatin1String("bosnianTranscription")).toString().trimmed();
        s.shortName = shortSurahName(s.transcription);
        s.medinan = o.value(QLatin1String("type")).toString() == QLatin1String("Medinan");
        if (s.ayahCount < 1 || s.shortName.isEmpty())
            return failWith(QStringLiteral("surah %1 has no name or no ayahs in the surah list").arg(number));
        ayahTotal += s.ayahCount;
    }
    if (ayahTotal != kAyahCount)
        return failWith(QStringLiteral("the surahs' ayah counts add up to %1 instead of %2")
                            .arg(ayahTotal)
                            .arg(kAyahCount));
    if (surahs[0].shortName != QLatin1String("Fatiha") || surahs[0].ayahCount != 7)
        return failWith(QStringLiteral("surah 1 is \"%1\" with %2 ayahs instead of \"Fatiha\" with 7")
                            .arg(surahs[0].shortName)
                            .arg(surahs[0].ayahCount));
    QStringList names;
    for (const SurahInfo &s : surahs)
        names << s.shortName;
    names.removeDuplicates();
    if (names.size() != kSurahCount)
        return failWith(QStringLiteral("two surahs have the same short name"));

    if (tafsir.size() != kAyahCount)
        return failWith(
            QStringLiteral("the package holds %1 ayahs instead of %2").arg(tafsir.size()).arg(kAyahCount));
    // Offset of each surah's first ayah in surah and ayah order.
    QList<int> firstIndex(kSurahCount + 1, 0);
    for (int i = 0; i < kSurahCount; ++i)
        firstIndex[i + 1] = firstIndex[i] + surahs[i].ayahCount;
    QList<AyahRecord> ayahs(kAyahCount);
    for (const QJsonValue &value : tafsir) {
        const QJsonObject o = value.toObject();
        const int surah = o.value(QLatin1String("sura")).toInt(0);
        const int ayah = o.value(QLatin1String("ayaNumber")).toInt(0);
        if (surah < 1 || surah > kSurahCount)
            return failWith(QStringLiteral("an ayah names surah %1, which does not exist").arg(surah));
        if (ayah < 1 || ayah > surahs[surah - 1].ayahCount)
            return failWith(QStringLiteral("ayah %1:%2 lies beyond the surah's %3 ayahs")
                                .arg(surah)
                                .arg(ayah)
                                .arg(surahs[surah - 1].ayahCount));
        AyahRecord &r = ayahs[firstIndex[surah - 1] + ayah - 1];
        if (r.surah != 0)
            return failWith(QStringLiteral("ayah %1:%2 occurs twice").arg(surah).arg(ayah));
        r.surah = surah;
        r.ayah = ayah;
        r.translation = o.value(QLatin1String("korkutsTranslation")).toString().trimmed();
        r.arabic = o.value(QLatin1String("aya")).toString().trimmed();
        r.commentary = o.value(QLatin1String("tafsir")).toString().trimmed();
        if (r.translation.isEmpty())
            return failWith(QStringLiteral("ayah %1:%2 has no translation").arg(surah).arg(ayah));
    }
    // 6236 distinct ayahs, each within its surah's count, fill every place: none is missing.
    m_surahs = std::move(surahs);
    m_ayahs = std::move(ayahs);
    return true;
}

} // namespace velmora::data
