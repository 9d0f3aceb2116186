#pragma once

#include <QString>
#include <QStringList>

namespace velmora::classification {

// Alphabetical order of the Bosnian Latin alphabet:
//   a b c č ć d dž đ e f g h i j k l lj m n nj o p r s š t u v z ž
// The digraphs dž, lj and nj are single letters. Letters of other alphabets sort by their
// base letter (q, w, x, y in their Latin places); blanks and punctuation before digits and
// digits before letters. Ties are broken by letter case (small first), then by the raw text,
// so the order is total and does not depend on the system's locale data.
namespace bosnian {

// The letters of a text, one collation weight per letter, digraphs folded.
QList<int> primaryWeights(const QString &text);
bool lessThan(const QString &a, const QString &b);
void sort(QStringList &texts);

} // namespace bosnian
} // namespace velmora::classification
