#pragma once

#include "classification/TopicReferences.h"
#include "classification/TopicTree.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace velmora {

namespace data {
class Database;
}

// The store's name as the classification handlers open it.
QString topicStoreName();

// The query of a topic's reference lines. The topic name stands between double quotes; a
// double quote inside it is doubled, so a name the reader typed cannot end the literal.
QString topicQueryText(const QString &topic);

// All nodes of the topic tree, from "select * from KreuMeTema". Nothing when the store is
// not open, the query fails or a row cannot be read (`error` says why): a tree is built
// from all the rows or not at all.
std::optional<QList<TopicNode>> loadTopicTree(const data::Database &db, QString *error = nullptr);

// The topic names of "select * from VetemTemat", in the order of the rows; nothing on a
// failure, as above.
std::optional<QStringList> loadTopicNames(const data::Database &db, QString *error = nullptr);

// The reference lines of a topic, one per klasifikim row. A failing step is skipped: a
// store that is not open or a query that fails gives no lines, a row that cannot be read
// gives no line.
QStringList loadReferenceLines(const data::Database &db, const QString &topic);

// The ayah lines of a reference line: one ayah query per number the reference string
// names. For a single number every row of its query becomes a line and `afterRow` runs after
// each row (the caller yields to the event loop there); otherwise the first row of each
// query does. A query that fails or finds no row adds nothing; so does a reference line
// whose surah is not a number.
QStringList fetchAyahLines(const data::Database &db, const ReferenceLine &line,
                           const std::function<void()> &afterRow = {});

} // namespace velmora
