#include "data/JetSql.h"
#include "data/JetText.h"

#include <sqlite3.h>

namespace velmora::data::jet {

using namespace detail;

// ---------------------------------------------------------------------------------------
// SQLite functions

namespace {

int collate(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return compareTextUtf8(static_cast<const char *>(a), lengthA, static_cast<const char *>(b), lengthB);
}

struct CachedPattern {
    QByteArray source;
    LikePattern pattern;
};

void deletePattern(void *p)
{
    delete static_cast<CachedPattern *>(p);
}

void likeFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *patText = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    const int patBytes = sqlite3_value_bytes(argv[1]);
    auto *cached = static_cast<CachedPattern *>(sqlite3_get_auxdata(ctx, 1));
    const bool reuse = cached && cached->source.size() == patBytes &&
                       std::memcmp(cached->source.constData(), patText, size_t(patBytes)) == 0;
    CachedPattern *fresh = nullptr;
    if (!reuse) {
        fresh = new CachedPattern;
        fresh->source = QByteArray(patText, patBytes);
        QString err;
        if (!LikePattern::compile(QString::fromUtf8(fresh->source), &fresh->pattern, &err)) {
            delete fresh;
            const QByteArray msg = err.toUtf8();
            sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
            return;
        }
        cached = fresh;
    }

    bool match;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_INTEGER:
        match = cached->pattern.matches(QString::number(sqlite3_value_int64(argv[0])));
        break;
    case SQLITE_FLOAT:
        match = cached->pattern.matches(numberText(sqlite3_value_double(argv[0])));
        break;
    case SQLITE_TEXT: {
        // The bytes as stored: asking for them as a blob spares SQLite from copying each
        // value only to end it with a NUL.
        const auto *text = static_cast<const char *>(sqlite3_value_blob(argv[0]));
        match = cached->pattern.matchesUtf8(text, sqlite3_value_bytes(argv[0]));
        break;
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        match = cached->pattern.matchesUtf8(text, sqlite3_value_bytes(argv[0]));
        break;
    }
    }
    sqlite3_result_int(ctx, match ? 1 : 0);
    if (fresh) // SQLite keeps it for the next rows while the pattern stays the same
        sqlite3_set_auxdata(ctx, 1, fresh, deletePattern);
}

} // namespace

QString sqliteReason(sqlite3 *db)
{
    return sqliteReason(db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM);
}

QString sqliteReason(int code)
{
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        return tr("datoteka nije baza podataka");
    case SQLITE_CANTOPEN:
        return tr("datoteka se ne može otvoriti");
    case SQLITE_CORRUPT:
        return tr("datoteka je oštećena");
    case SQLITE_READONLY:
        return tr("datoteka se može samo čitati");
    case SQLITE_FULL:
        return tr("disk je pun");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return tr("datoteka je zauzeta");
    case SQLITE_NOMEM:
        return tr("nema dovoljno memorije");
    case SQLITE_IOERR:
        return tr("greška pri čitanju ili pisanju datoteke");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return tr("pristup nije dozvoljen");
    case SQLITE_INTERRUPT:
        return tr("rad je prekinut");
    default:
        return tr("greška baze podataka (kod %1)").arg(code);
    }
}

bool registerJetFunctions(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, collate, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_create_function_v2(db, kLikeFunction, 2,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                      likeFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

int prepareSingle(sqlite3 *db, const QString &sql, unsigned int flags, sqlite3_stmt **st)
{
    *st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()), flags, st, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(*st);
        *st = nullptr;
        return rc;
    }
    while (tail && *tail && (*tail == ' ' || *tail == '\n' || *tail == '\t' || *tail == '\r'))
        ++tail;
    if (tail && *tail) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    return SQLITE_OK;
}

int bindParameters(sqlite3_stmt *st, const QVariantList &params)
{
    for (int k = 0; k < params.size(); ++k) {
        const QVariant &v = params[k];
        int rc;
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Double:
            rc = bindValue(st, k + 1, v);
            break;
        case QMetaType::QString: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, k + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            rc = sqlite3_bind_null(st, k + 1);
            break;
        }
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

int bindValue(sqlite3_stmt *st, int index, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return sqlite3_bind_null(st, index);
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(st, index, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(st, index, value.toDouble());
    case QMetaType::QByteArray: {
        const auto *bytes = static_cast<const QByteArray *>(value.constData());
        if (bytes->isNull())
            return sqlite3_bind_null(st, index);
        return sqlite3_bind_blob64(st, index, bytes->constData(), sqlite3_uint64(bytes->size()),
                                   SQLITE_TRANSIENT);
    }
    case QMetaType::QString: {
        // As UTF-16, which SQLite turns into the file's UTF-8 itself: the stored bytes of a
        // text that holds a lone surrogate stay what SQLite makes of it.
        const auto *text = static_cast<const QString *>(value.constData());
        if (text->isNull())
            return sqlite3_bind_null(st, index);
        return sqlite3_bind_text16(st, index, text->utf16(), int(text->size() * 2), SQLITE_TRANSIENT);
    }
    default: {
        if (value.isNull())
            return sqlite3_bind_null(st, index);
        const QString text = value.toString();
        return sqlite3_bind_text16(st, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
    }
    }
}

Value columnValue(sqlite3_stmt *st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER:
        return Value::fromInteger(sqlite3_column_int64(st, column));
    case SQLITE_FLOAT:
        return Value::fromReal(sqlite3_column_double(st, column));
    case SQLITE_NULL:
        return Value();
    default:
        return Value::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)),
                               sqlite3_column_bytes(st, column));
    }
}

} // namespace velmora::data::jet
