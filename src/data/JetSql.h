#pragma once

// The Jet SQL dialect as the program and a reader's saved Access queries write it, read into a
// small syntax tree and translated into SQLite. Only SELECT statements are accepted: columns or
// `*`, FROM with INNER / LEFT / RIGHT joins (parenthesised as Access writes them), WHERE with
// AND, OR, NOT, comparisons, LIKE with Jet's wildcards and IS [NOT] NULL, ORDER BY, TOP n,
// DISTINCT and DISTINCTROW. Everything else is rejected with a message.
//
// Names are resolved against the store's real tables and columns without regard to letter
// case and written quoted into the SQLite text. Literals are either bound as parameters (the
// way queries are run) or, for the text of a view, written as SQLite literals.
//
// Text comparison ignores letter case over all of Unicode, as Jet does. The SQLite text uses a
// collation and a LIKE function that registerJetFunctions() installs on a connection; every
// connection that runs a translated text (or reads a view made from one) needs them.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::data::jet {

// Name of the case-ignoring collation and of the LIKE function in translated texts.
inline constexpr const char *kCollation = "jet_nocase";
inline constexpr const char *kLikeFunction = "jet_like";

// The kind of value a column or a literal holds, as far as the type checks need it.
enum class ValueType { Unknown, Integer, Real, Text };

inline bool isNumeric(ValueType t)
{
    return t == ValueType::Integer || t == ValueType::Real;
}

// The kind of a column from its declared SQLite type (INTEGER, TEXT, REAL, ...). Types whose
// values Jet converts freely (dates, blobs, no type) are Unknown and escape the type checks.
ValueType valueTypeFromDeclared(const QString &declaredType);

// One value of a result row.
class Value {
public:
    enum Kind : quint8 { Null, Integer, Real, Text };
    Kind kind = Null;
    qint64 i = 0;
    double r = 0;

    static Value fromInteger(qint64 v);
    static Value fromReal(double v);
    static Value fromText(const QString &v);
    // Text as the store holds it, in UTF-8; it is turned into a QString only when read, so
    // that the columns of a row nobody reads cost a copy of their bytes and no more.
    static Value fromUtf8(const char *data, qsizetype size);
    bool isNull() const { return kind == Null; }
    bool isNumber() const { return kind == Integer || kind == Real; }
    double number() const { return kind == Integer ? double(i) : r; }
    // The text of a Text value (empty for the other kinds).
    const QString &text() const;
    // The text form the program reads: NULL is empty, a whole real is written without
    // a fraction (7.0 reads "7").
    QString toText() const;

private:
    mutable QString m_text;
    mutable QByteArray m_utf8; // not yet decoded into m_text while not empty
};

// Text form of a real number the way the program shows it.
QString numberText(double v);

// ---------------------------------------------------------------------------------------
// Text comparison and LIKE

// Compares two texts ignoring letter case over all of Unicode (simple case folding, code
// point order of the folded texts). Returns <0, 0 or >0.
int compareText(QStringView a, QStringView b);
int compareTextUtf8(const char *a, int lengthA, const char *b, int lengthB);

// A Jet LIKE pattern: `*` any run, `?` one character, `#` one digit, `[abc]`, `[!abc]`,
// `[a-z]` (a bracket also quotes a wildcard: `[*]`), letter case ignored.
class LikePattern {
public:
    // Compiles `pattern`; false with a message for an invalid pattern (an unclosed `[`,
    // a range that runs backwards).
    static bool compile(QStringView pattern, LikePattern *out, QString *error);
    bool matches(QStringView text) const;
    bool matchesUtf8(const char *text, int length) const;

private:
    struct Element {
        enum Kind : quint8 { Literal, AnyOne, Digit, Set, Star } kind;
        bool negated = false;
        char32_t ch = 0;
        int setIndex = -1;
    };
    struct Range {
        char32_t from, to;
    };
    bool matchFolded(const char32_t *text, size_t length) const;
    bool inSet(const Element &e, char32_t c) const;

    std::vector<Element> m_elements;
    std::vector<std::vector<Range>> m_sets;
    // Set when the pattern is a plain text with stars only at its ends.
    bool m_simple = false;
    bool m_leadingStar = false;
    bool m_trailingStar = false;
    std::u32string m_literal;
};

// ---------------------------------------------------------------------------------------
// Tokens and syntax tree

struct Token {
    enum Kind { End, Name, BracketName, String, Number, Symbol };
    Kind kind = End;
    QString text;                           // the name, the string's value, the number as written, the symbol
    int position = 0;                       // offset in the query text
    bool isKeyword(const char *word) const; // a plain name equal to `word`, case ignored
};

// Splits a query text into tokens. A number ends where a letter follows it ("2And" is the
// number 2 and the word And), as Jet reads it.
bool tokenize(const QString &text, QList<Token> *tokens, QString *error);

struct Expr;
using ExprPtr = std::shared_ptr<Expr>;

struct Expr {
    enum Kind { Column, Literal, Compare, Like, IsNull, And, Or, Not };
    enum Op { Eq, Ne, Lt, Gt, Le, Ge };
    Kind kind = Literal;
    // Column: [qualifier.]name
    QString qualifier;
    QString name;
    // Literal
    Value value;
    bool boolean = false; // True/False/Yes/No
    // Compare / Like / IsNull / Not
    Op op = Eq;
    bool negated = false; // NOT LIKE, IS NOT NULL
    ExprPtr left;
    ExprPtr right;
    // And / Or: every operand of the chain, left to right (a AND b AND c is one node with three
    // terms; a parenthesised chain of the same kind is merged into it), so that long chains
    // are walked in a loop and never nest.
    QList<ExprPtr> terms;
    int position = 0;
};

struct TableRef;
using TableRefPtr = std::shared_ptr<TableRef>;

struct TableRef {
    enum Kind { Table, Join };
    enum JoinKind { Inner, Left, Right, Cross };
    Kind kind = Table;
    QString name;  // Table
    QString alias; // Table
    JoinKind join = Inner;
    TableRefPtr left;
    TableRefPtr right;
    ExprPtr on;
    int position = 0;
};

struct SelectItem {
    enum Kind { AllColumns, TableColumns, Expression };
    Kind kind = AllColumns;
    QString table; // TableColumns: t.*
    ExprPtr expr;  // Expression: a column or a literal
    QString alias;
};

struct OrderItem {
    ExprPtr expr;
    bool descending = false;
};

struct SelectStatement {
    enum Quantifier { All, Distinct, DistinctRow };
    Quantifier quantifier = All;
    std::optional<qint64> top;
    QList<SelectItem> items;
    QList<TableRefPtr> from; // comma-separated sources
    ExprPtr where;
    QList<OrderItem> orderBy;
};

// Conditions (comparisons, LIKE, IS NULL, values) one statement may hold, and tables in its
// FROM clause. A verse search makes one condition of each word; the store's engine cannot
// take much longer chains, and refusing them here gives a clear message instead.
inline constexpr int kMaxConditions = 800;
inline constexpr int kMaxTables = 64;

bool parseSelect(const QString &text, SelectStatement *out, QString *error);
// A condition alone, as a record set's find takes it ("nrsure =2 and nrajet =5").
bool parseCondition(const QString &text, ExprPtr *out, QString *error);

// ---------------------------------------------------------------------------------------
// Schema of a store

struct ColumnInfo {
    QString name;
    QString declaredType;
    ValueType type = ValueType::Unknown;
};

struct TableInfo {
    QString name;
    bool isView = false;
    bool hasRowid = true;
    QList<ColumnInfo> columns;
    int columnIndex(const QString &name) const; // case ignored; -1 when absent
};

class Schema {
public:
    void addTable(const TableInfo &table);
    const TableInfo *table(const QString &name) const; // case ignored
    QStringList tableNames() const;
    bool isEmpty() const { return m_tables.isEmpty(); }
    // Reads the tables and views of an open connection.
    static bool read(sqlite3 *db, Schema *out, QString *error);

private:
    QHash<QString, TableInfo> m_tables;
};

// ---------------------------------------------------------------------------------------
// Translation

// A column of a result: its field name, the table (or alias) and column it comes from.
struct FieldInfo {
    QString name;
    QString table;
    QString column;
    ValueType type = ValueType::Unknown;
};

struct Translation {
    QString sql;
    QVariantList params; // empty when literals are inlined
    QList<FieldInfo> fields;
};

// Translates a Jet SELECT text into SQLite with every literal bound as a parameter
// (qint64, double or QString in `params`, in the order of the `?` marks).
bool translate(const QString &jet, const Schema &schema, Translation *out, QString *error);
// The same with literals written as SQLite literals, for the text of a view.
bool translateInline(const QString &jet, const Schema &schema, Translation *out, QString *error);
// `SELECT *` over one table or view by name, in the table's own order.
bool translateTable(const QString &tableName, const Schema &schema, Translation *out, QString *error);

bool translateToSqlite(const QString &jet, const Schema &schema, QString *sqliteSql, QVariantList *params,
                       QString *error);
bool translateToSqliteView(const QString &jet, const Schema &schema, QString *sqliteSql, QString *error);

// A condition over the fields of a result, evaluated in memory (a snapshot's find).
class Condition {
public:
    static bool compile(const QString &text, const QList<FieldInfo> &fields, Condition *out, QString *error);
    // True when the row (one value per field) meets the condition.
    bool matches(const Value *row) const;

    struct Node; // the compiled condition, opaque

private:
    std::shared_ptr<const Node> m_root;
    std::vector<LikePattern> m_patterns;
};

// Orders two values as a sort does: NULL first, numbers before texts, texts ignoring case.
int compareValues(const Value &a, const Value &b);

// The one quoting rule of Jet SQL and SQLite alike: inside a quoted text every quote character
// of its kind is doubled ('Ali-''Imran', "Riječ ""Elif""").
QString withQuotesDoubled(const QString &text, QChar quote);
inline QString quoted(const QString &text, QChar quote)
{
    return quote + withQuotesDoubled(text, quote) + quote;
}

// Quoting for SQLite: "name" and 'text'.
inline QString quoteIdentifier(const QString &name)
{
    return quoted(name, QLatin1Char('"'));
}
inline QString quoteTextLiteral(const QString &text)
{
    return quoted(text, QLatin1Char('\''));
}

// Installs the collation and the LIKE function on a connection.
bool registerJetFunctions(sqlite3 *db);

// A short Bosnian reason for the last failure on a connection, from its SQLite result code;
// SQLite's own message is English and would reach the reader.
QString sqliteReason(sqlite3 *db);
// The same for an SQLite result code (as SqliteFile::errorCode() gives it).
QString sqliteReason(int code);

// Prepares the one statement of `sql` with SQLite's prepare flags `flags`. Returns SQLite's
// code; on SQLITE_OK `*st` is the statement, or null when the text holds no statement or
// more than one (none is kept then).
int prepareSingle(sqlite3 *db, const QString &sql, unsigned int flags, sqlite3_stmt **st);

// Binds the parameters of a translation to a prepared statement (texts as UTF-8, a null text
// as an empty one, a kind the store does not take as NULL); SQLITE_OK or the code of the
// first bind that failed.
int bindParameters(sqlite3_stmt *st, const QVariantList &params);
// Binds a value to be stored to parameter `index` (from 1): no value, a null text or byte
// array as NULL, whole numbers and yes/no as INTEGER, reals as REAL, texts as TEXT, byte
// arrays as BLOB, anything else as its text. SQLITE_OK or SQLite's code of the failure.
int bindValue(sqlite3_stmt *st, int index, const QVariant &value);
// Column `column` of the statement's current row as a value.
Value columnValue(sqlite3_stmt *st, int column);

} // namespace velmora::data::jet
