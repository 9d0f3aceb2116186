// The reader of the npm package's data module (the JavaScript file that set-up takes out of
// the package, after checking the package against its pinned hash): any bytes are read as
// the module. A module it accepts is complete; the arrays it finds lie in the module, from
// "[" to the bracket that closes them.

#include "FuzzSupport.h"

#include "defaultdata/QuranSource.h"

using velmora::data::QuranSource;

namespace {

void checkArray(const QByteArray &module, const QByteArray &name)
{
    const std::optional<QByteArray> array = QuranSource::declaredArray(module, name);
    if (!array)
        return;
    FUZZ_CHECK(array->startsWith('['));
    FUZZ_CHECK(array->endsWith(']') || array->endsWith('}'));
    FUZZ_CHECK(module.contains(*array));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray module = velmora::fuzz::bytes(data, size);
    QuranSource source;
    if (source.parse(module)) {
        FUZZ_CHECK(source.surahs().size() == QuranSource::kSurahCount);
        FUZZ_CHECK(source.ayahs().size() == QuranSource::kAyahCount);
        FUZZ_CHECK(source.errorString().isEmpty());
    } else {
        FUZZ_CHECK(!source.errorString().isEmpty());
        FUZZ_CHECK(source.surahs().isEmpty() && source.ayahs().isEmpty());
    }
    checkArray(module, "tafsir");
    checkArray(module, "suraList");

    const QString name = QString::fromUtf8(module.left(64));
    const QString shortName = QuranSource::shortSurahName(name);
    FUZZ_CHECK(name.trimmed().endsWith(shortName));
    return 0;
}
