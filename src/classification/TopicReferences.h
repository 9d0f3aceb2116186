#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velmora {

// A reference line of the topic lists: the surah number, " (", the surah name, "): " and the
// reference string, for example 2 (Bekara): 1-5,8.
struct ReferenceLine {
    QString surah;      // the characters before the first blank
    QString references; // the characters after the first ": "
};

// Builds the reference line of one klasifikim row (nrsure, emrsure, ajetet).
QString referenceLineText(const QString &nrsure, const QString &emrsure, const QString &ajetet);
// Reads a reference line back. A line without a blank names no surah; a line without ": "
// has an empty reference string.
ReferenceLine splitReferenceLine(const QString &line);

// The largest number that can name an ayah (the longest surah has 286). A number above it,
// however many digits it has, names no ayah; it is never converted to a machine integer.
constexpr int kMaxAyahNumber = 999;

// What a reference string asks for.
struct AyahScan {
    enum class Kind {
        None,   // an empty string, or one that is neither a number nor holds "," or "-"
        Single, // the whole string is one number: every row of its query is shown
        List    // numbers and ranges: the first row of each number's query is shown
    };
    Kind kind = Kind::None;
    QList<int> ayahs; // the ayah numbers to query, in order
};

// Expands a reference string into the ayah numbers to query.
//
// A string holding "," or "-" is scanned character by character: digits collect a number, a
// "," ends it, a "-" starts a range whose end number is read at once (at most 100 digits;
// the character that ends it is consumed), and the first other character (a blank, a letter,
// a full stop) ends the scan, dropping the number being collected and the rest. The scan
// never moves backward, so every item is read once and nothing is repeated.
//  - A reversed range (9-5) gives no ayah.
//  - A range without a start ("-3") or without an end ("1-", "1-,4") gives no ayah: the
//    string does not say which ayahs it means, and guessing could show ayahs outside the
//    topic. The items around it are read as usual ("1-,4" gives 4).
//  - A range end of 100 digits or more is dropped; the digits after the 100th are read as
//    a new number.
//  - A number above kMaxAyahNumber (also a range end or start) names no ayah.
// A string that is only digits is a single number (leading zeros allowed).
AyahScan scanReferences(const QString &references);

// The query of one ayah, built as the program always has: no blank before "And".
QString ayahQueryText(const QString &surah, int ayah);

// One ayah line of a report: S:A. tab text CR LF, the same paragraph form as the whole text.
QString ayahLineText(const QString &surah, const QString &ayah, const QString &text);
// The whole report: an empty line, the topic title, the selected reference line, a line of
// 58 asterisks, an empty line, then the ayah lines.
QString composeTopicReport(const QString &title, const QString &referenceLine, const QStringList &ayahLines);

// Removes blanks (not other white space) from both ends.
QString trimBlanks(const QString &text);
// The topic name of a topic node's text ("3. Name"): what follows the first "." and the
// blank after it, blanks removed from both ends.
QString topicNameFromNodeText(const QString &nodeText);

} // namespace velmora
