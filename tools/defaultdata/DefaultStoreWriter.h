#pragma once

#include <QString>

namespace velmora::classification {
struct ClassificationTables;
}

namespace velmora::data {

class QuranSource;

// Writes the program's SQLite store: the surah catalogue, the ayahs and the thematic
// classification, with the tables and indexes the program's queries expect, rows inserted in
// the order the program shows them. The file at `path` must not exist or be empty.
class DefaultStoreWriter {
public:
    static bool write(const QString &path, const QuranSource &source,
                      const classification::ClassificationTables &classification, QString *error);
    // The statements that create the empty store.
    static QStringList schema();
};

} // namespace velmora::data
