// The query dialect end to end: a query text is parsed, translated into SQLite (with bound
// parameters and with inline literals, as a view is written) and run on a private copy of a
// small store, through a writable connection of its own and through the program's record
// sets; the store's bytes must stay as they were. The input's part after its first NUL byte
// (or the whole input when it has none) is also taken as a record set's find condition.
//
// Checked besides: a translated text is one statement that only reads, binds exactly its
// parameters and gives the fields the translation names; both translations give the same
// rows; a record set holds the rows the statement gives; the condition evaluated in memory
// picks the rows that the same condition picks in SQLite.
//
// Work is bounded so that every input stays quick: rows are read up to a cap, SQLite stops a
// statement after a budget of steps, and the record sets (which read all rows) are opened
// only for queries over at most three tables, whose rows the small store keeps few.

#include "FuzzSupport.h"

#include "data/Database.h"
#include "data/JetSql.h"
#include "defaultdata/DefaultStoreWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

using namespace velmora::data;
using namespace velmora::data::jet;

namespace {

constexpr int kRowCap = 256;
constexpr int kStepBudget = 400; // in units of 1000 virtual machine instructions
constexpr int kMaxRecordsetTables = 3;

struct Store {
    QString path;
    QByteArray bytes;
    sqlite3 *db = nullptr; // writable
    Schema schema;
    QList<FieldInfo> verseFields; // of SELECT * FROM kuran
    std::vector<std::vector<Value>> verseRows;
    QStringList verseRowTexts;
};

int g_steps = 0;

int progress(void *)
{
    return ++g_steps > kStepBudget ? 1 : 0;
}

void exec(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "cannot make the fuzz store: %s\n%s\n", message, qPrintable(sql));
        std::abort();
    }
}

QString cellText(sqlite3_stmt *st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER:
        return QStringLiteral("i:") + QString::number(sqlite3_column_int64(st, column));
    case SQLITE_FLOAT:
        return QStringLiteral("r:") + QString::number(sqlite3_column_double(st, column), 'g', 17);
    case SQLITE_NULL:
        return QStringLiteral("n");
    default:
        return QStringLiteral("t:") +
               QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)),
                                 sqlite3_column_bytes(st, column));
    }
}

struct Run {
    bool prepared = false;
    bool complete = false; // every row read, no error
    QString error;
    QStringList rows; // cells joined by a tab
    std::vector<std::vector<Value>> values;
};

// Runs a translation on the writable connection: one statement that reads, its parameters
// bound, at most kRowCap rows read.
Run run(sqlite3 *db, const Translation &t)
{
    Run r;
    const QByteArray sql = t.sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, &tail) != SQLITE_OK) {
        r.error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return r;
    }
    FUZZ_CHECK(st != nullptr);
    FUZZ_CHECK(tail == sql.constData() + sql.size());
    FUZZ_CHECK(sqlite3_stmt_readonly(st));
    FUZZ_CHECK(sqlite3_bind_parameter_count(st) == t.params.size());
    const int columns = sqlite3_column_count(st);
    FUZZ_CHECK(columns == t.fields.size());
    r.prepared = true;
    for (const QVariant &v : t.params) {
        const int kind = v.typeId();
        FUZZ_CHECK(kind == QMetaType::LongLong || kind == QMetaType::Int || kind == QMetaType::Double ||
                   kind == QMetaType::QString);
    }
    FUZZ_CHECK(bindParameters(st, t.params) == SQLITE_OK);
    g_steps = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW && r.rows.size() < kRowCap) {
        QStringList cells;
        std::vector<Value> values;
        for (int c = 0; c < columns; ++c) {
            cells << cellText(st, c);
            values.push_back(columnValue(st, c));
        }
        r.rows << cells.join(QLatin1Char('\t'));
        r.values.push_back(std::move(values));
    }
    r.complete = rc == SQLITE_DONE;
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        r.error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return r;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// A small store with the program's tables, a few rows each (NULLs, letters beyond ASCII,
// wildcard characters in the text) and one view written from a translated query.
Store &store()
{
    static Store s = [] {
        Store st;
        static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm/velmora-fuzz-XXXXXX")
                                     : QDir::tempPath() + QStringLiteral("/velmora-fuzz-XXXXXX"));
        FUZZ_CHECK(dir.isValid());
        st.path = dir.filePath(QStringLiteral("Bazabos.db"));
        FUZZ_CHECK(sqlite3_open_v2(QFile::encodeName(st.path).constData(), &st.db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK);
        FUZZ_CHECK(registerJetFunctions(st.db));
        for (const QString &statement : DefaultStoreWriter::schema())
            exec(st.db, statement);
        exec(st.db,
             QStringLiteral("INSERT INTO sure VALUES (1, 'الفاتحة', 'Fatiha', 7), (2, 'البقرة', 'Bekare', "
                            "286), (3, NULL, 'Ali-''Imran', 200), (12, 'يوسف', 'Jusuf', 111), "
                            "(114, 'الناس', 'Nas', 6)"));
        exec(st.db,
             QStringLiteral("INSERT INTO kuran VALUES (1, 1, 'U ime Allaha', 'بِسْمِ', NULL), "
                            "(1, 2, 'Hvala Allahu', NULL, 'kratko'), (2, 5, 'Musa i Harun', NULL, ''), "
                            "(2, 255, 'ŽIVI i vječni: Allah', NULL, 'Ćć Đđ Šš Žž Čč'), "
                            "(3, 1, 'Elif Lam Mim', NULL, NULL), (12, 5, '[*] ? # 100% a_b ''x''', NULL, "
                            "NULL), (114, 6, 'od džina i od ljudi', NULL, 'ß')"));
        exec(st.db, QStringLiteral("INSERT INTO klasifikim VALUES (2, 'Bekare', '1-5,255', 'Vjera'), (3, "
                                   "'Ali-''Imran', '1', 'Musa'), (NULL, NULL, NULL, NULL)"));
        exec(st.db,
             QStringLiteral("INSERT INTO KreuMeTema VALUES (1, 'Vjerovanje', 1, 'Vjera'), (2, 'Poslanici', "
                            "2, 'Musa'), (2, 'Poslanici', 3, NULL)"));
        exec(st.db, QStringLiteral("INSERT INTO VetemTemat VALUES ('Vjera'), ('Musa'), ('Ćirilica')"));
        QString error;
        FUZZ_CHECK(Schema::read(st.db, &st.schema, &error));
        Translation view;
        FUZZ_CHECK(
            translateInline(QStringLiteral("SELECT nrsure, nrajet, tekstajet FROM kuran WHERE tekstajet "
                                           "LIKE '*allah*' ORDER BY nrajet DESC"),
                            st.schema, &view, &error));
        exec(st.db, QStringLiteral("CREATE VIEW Pretraga AS ") + view.sql);
        FUZZ_CHECK(Schema::read(st.db, &st.schema, &error));
        sqlite3_progress_handler(st.db, 1000, progress, nullptr);

        Translation verses;
        FUZZ_CHECK(translate(QStringLiteral("SELECT * FROM kuran"), st.schema, &verses, &error));
        st.verseFields = verses.fields;
        const Run all = run(st.db, verses);
        FUZZ_CHECK(all.complete && !all.rows.isEmpty());
        st.verseRows = all.values;
        st.verseRowTexts = all.rows;
        st.bytes = fileBytes(st.path);
        return st;
    }();
    return s;
}

int tableCount(const TableRefPtr &ref)
{
    if (!ref)
        return 0;
    if (ref->kind == TableRef::Table)
        return 1;
    return tableCount(ref->left) + tableCount(ref->right);
}

void checkQuery(const Store &s, const QString &text)
{
    SelectStatement statement;
    QString error;
    const bool parsed = parseSelect(text, &statement, &error);
    FUZZ_CHECK(parsed || !error.isEmpty());
    int tables = 0;
    for (const TableRefPtr &ref : statement.from)
        tables += tableCount(ref);

    Translation bound, inlined;
    const bool translated = translate(text, s.schema, &bound, &error);
    FUZZ_CHECK(translateInline(text, s.schema, &inlined, nullptr) == translated);
    FUZZ_CHECK(!translated || parsed);
    Run boundRun;
    if (translated) {
        FUZZ_CHECK(inlined.params.isEmpty());
        FUZZ_CHECK(inlined.fields.size() == bound.fields.size());
        boundRun = run(s.db, bound);
        const Run inlineRun = run(s.db, inlined);
        // SQLite refuses a text nested deeper than its parser's stack or its expression trees
        // allow; nesting that the dialect accepts (parentheses, NOT, long chains of terms) can
        // reach those limits, and the query is then refused with SQLite's message. That is a
        // limit of the store's engine, not a fault of the translation.
        const auto tooDeep = [](const Run &r) {
            return r.error.contains(QLatin1String("parser stack overflow")) ||
                   r.error.contains(QLatin1String("too large"));
        };
        if (!tooDeep(boundRun) && !tooDeep(inlineRun)) {
            FUZZ_CHECK(boundRun.prepared && inlineRun.prepared);
            if (boundRun.complete && inlineRun.complete) {
                QStringList a = boundRun.rows, b = inlineRun.rows;
                a.sort();
                b.sort();
                FUZZ_CHECK(a == b);
            }
        }
    }

    if (!parsed || tables <= kMaxRecordsetTables) {
        const Database db = Database::openPath(s.path);
        FUZZ_CHECK(db.isOpen());
        Recordset rs = db.openRecordset(text);
        FUZZ_CHECK(rs.isValid() || !rs.errorString().isEmpty());
        if (rs.isValid()) {
            if (translated && boundRun.complete)
                FUZZ_CHECK(rs.rowCount() == boundRun.rows.size());
            FUZZ_CHECK(rs.fieldNames().size() == rs.fieldCount());
            for (; !rs.eof(); rs.moveNext()) {
                for (int k = 0; k < rs.fieldCount(); ++k)
                    FUZZ_CHECK(rs.field(k).has_value());
            }
            FUZZ_CHECK(!rs.field(0).has_value());
            Recordset copy = rs.clone();
            FUZZ_CHECK(copy.rowCount() == rs.rowCount());
        }
    }
}

// The condition in memory against the same condition in SQLite, over the verse table.
void checkCondition(const Store &s, const QString &condition)
{
    Condition compiled;
    QString error;
    const bool accepted = Condition::compile(condition, s.verseFields, &compiled, &error);
    FUZZ_CHECK(accepted || !error.isEmpty());

    const Database db = Database::openPath(s.path);
    Recordset verses = db.openRecordset(QStringLiteral("select * from kuran"));
    FUZZ_CHECK(verses.isValid());
    const bool found = verses.findFirst(condition);

    QStringList picked;
    if (accepted) {
        for (size_t r = 0; r < s.verseRows.size(); ++r) {
            if (compiled.matches(s.verseRows[r].data()))
                picked << s.verseRowTexts[int(r)];
        }
        FUZZ_CHECK(found == !picked.isEmpty());
        FUZZ_CHECK(verses.noMatch() == picked.isEmpty());
    } else {
        FUZZ_CHECK(!found);
    }

    Translation t;
    if (!accepted ||
        !translate(QStringLiteral("SELECT * FROM kuran WHERE ") + condition, s.schema, &t, nullptr))
        return;
    // Only a text that is the whole condition in both readings says the same thing.
    ExprPtr alone;
    if (!parseCondition(condition, &alone, nullptr))
        return;
    const Run r = run(s.db, t);
    if (!r.complete)
        return;
    QStringList inSql = r.rows;
    inSql.sort();
    picked.sort();
    FUZZ_CHECK(inSql == picked);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    store();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora::fuzz;
    const Store &s = store();
    const QByteArray input = bytes(data, size);
    const auto [query, condition] = splitAtNul(input);
    checkQuery(s, QString::fromUtf8(query));
    checkCondition(s, QString::fromUtf8(input.contains('\0') ? condition : query));
    FUZZ_CHECK(fileBytes(s.path) == s.bytes);
    return 0;
}
