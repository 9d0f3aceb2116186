#include "data/StoreConnection.h"

#include <algorithm>

namespace velmora::data {

using namespace detail;

// ---------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset() : d(QSharedPointer<RecordsetPrivate>::create()) {}

bool Recordset::isValid() const
{
    return d->valid;
}

QString Recordset::errorString() const
{
    return d->error;
}

bool Recordset::eof() const
{
    return !d->valid || d->pos >= d->data->rows;
}

void Recordset::moveNext()
{
    if (eof()) {
        d->error = tr(kNoCurrentRecord);
        return;
    }
    ++d->pos;
}

void Recordset::moveFirst()
{
    if (d->valid)
        d->pos = 0;
}

int Recordset::rowCount() const
{
    return d->valid ? d->data->rows : 0;
}

int Recordset::fieldCount() const
{
    return d->valid ? int(d->data->fields.size()) : 0;
}

QStringList Recordset::fieldNames() const
{
    return d->valid ? d->data->names : QStringList();
}

namespace {
// A column of row `row` (-1: no current record) by position, or by name when `name` is given.
std::optional<QString> readField(const ResultData &data, int row, int position, const QString *name,
                                 QString *error)
{
    if (name)
        position = fieldIndex(data.fields, *name);
    if (position < 0 || position >= data.fields.size()) {
        *error = tr(kItemNotFound);
        return std::nullopt;
    }
    if (row < 0) {
        *error = tr(kNoCurrentRecord);
        return std::nullopt;
    }
    return data.row(row)[position].toText();
}
} // namespace

std::optional<QString> Recordset::field(int position) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, d->pos < d->data->rows ? d->pos : -1, position, nullptr, &d->error);
}

std::optional<QString> Recordset::field(const QString &name) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, d->pos < d->data->rows ? d->pos : -1, 0, &name, &d->error);
}

bool Recordset::findFirst(const QString &condition)
{
    if (!d->valid)
        return false;
    jet::Condition c;
    QString err;
    if (!jet::Condition::compile(condition, d->data->fields, &c, &err)) {
        d->error = err;
        return false;
    }
    for (int r = 0; r < d->data->rows; ++r) {
        if (c.matches(d->data->row(r))) {
            d->pos = r;
            d->noMatch = false;
            return true;
        }
    }
    // No row meets it: there is no current record, rather than a stale one that a bound
    // control would go on showing as if it had been found.
    d->noMatch = true;
    d->pos = d->data->rows;
    d->error = tr(kNoCurrentRecord);
    return false;
}

bool Recordset::noMatch() const
{
    return d->noMatch;
}

Recordset Recordset::clone() const
{
    Recordset copy;
    copy.d->data = d->data;
    copy.d->valid = d->valid;
    copy.d->error = d->valid ? QString() : d->error;
    copy.d->pos = 0;
    return copy;
}

// ---------------------------------------------------------------------------------------
// TableRecordset

TableRecordset::TableRecordset() : d(QSharedPointer<TableRecordsetPrivate>::create()) {}

bool TableRecordset::isValid() const
{
    return d->valid;
}

QString TableRecordset::errorString() const
{
    return d->error;
}

bool TableRecordset::setIndex(const QString &indexName)
{
    if (!d->valid)
        return false;
    Connection &conn = *d->conn;
    QString sqliteName;
    QString err;
    ResultData found;
    // A store converted from Access keeps the Access index names beside SQLite's own.
    if (conn.schema.table(QStringLiteral("velmora_indexes"))) {
        const QString sql = QStringLiteral("SELECT sqlite_name FROM velmora_indexes WHERE tbl = ? COLLATE %1 "
                                           "AND name = ? COLLATE %1")
                                .arg(QLatin1String(jet::kCollation));
        if (conn.execute(sql, {d->table, indexName}, {}, &found, &err) && found.rows > 0)
            sqliteName = found.row(0)[0].toText();
    }
    if (sqliteName.isEmpty()) {
        const QString sql =
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                           "COLLATE %1 AND name = ? COLLATE %1")
                .arg(QLatin1String(jet::kCollation));
        if (!conn.execute(sql, {d->table, indexName}, {}, &found, &err)) {
            d->error = err;
            return false;
        }
        if (found.rows > 0)
            sqliteName = found.row(0)[0].toText();
    }
    if (sqliteName.isEmpty()) {
        d->error = tr("\"%1\" nije indeks u tabeli \"%2\".").arg(indexName, d->table);
        return false;
    }
    ResultData info;
    const QString pragma = QStringLiteral("PRAGMA index_xinfo(%1)").arg(jet::quoteIdentifier(sqliteName));
    if (!conn.execute(pragma, {}, {}, &info, &err)) {
        d->error = err;
        return false;
    }
    QList<int> keys;
    QList<bool> descending;
    for (int r = 0; r < info.rows; ++r) {
        const Value *row = info.row(r); // seqno, cid, name, desc, coll, key
        if (row[5].i == 0)
            continue;
        const int k = fieldIndex(d->data->fields, row[2].toText());
        if (row[2].isNull() || k < 0) {
            d->error = tr("Indeks \"%1\" nije napravljen nad običnim kolonama.").arg(indexName);
            return false;
        }
        keys << k;
        descending << (row[3].i != 0);
    }
    if (keys.isEmpty()) {
        d->error = tr("Indeks \"%1\" nema kolona.").arg(indexName);
        return false;
    }
    std::vector<int> order(size_t(d->data->rows));
    for (int r = 0; r < d->data->rows; ++r)
        order[size_t(r)] = r;
    const ResultData &data = *d->data;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int k = 0; k < keys.size(); ++k) {
            int c = jet::compareValues(data.row(a)[keys[k]], data.row(b)[keys[k]]);
            if (descending[k])
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    d->indexName = indexName;
    d->keyColumns = keys;
    d->keyDescending = descending;
    d->order = std::move(order);
    return true;
}

bool TableRecordset::seek(const QString &key)
{
    if (!d->valid)
        return false;
    if (d->keyColumns.isEmpty()) {
        d->error = tr("Operacija nije dozvoljena bez tekućeg indeksa.");
        return false;
    }
    const int column = d->keyColumns.first();
    const ValueType type = d->data->fields[column].type;
    Value k;
    if (type == ValueType::Text) {
        k = Value::fromText(key);
    } else {
        // The key text converted to the number the column holds: "02" is 2.
        const QString t = key.trimmed();
        bool ok = false;
        const qint64 whole = t.toLongLong(&ok);
        if (ok) {
            k = Value::fromInteger(whole);
        } else {
            const double v = t.toDouble(&ok);
            if (ok && std::isfinite(v))
                k = (v == std::floor(v) && std::fabs(v) < 9e18) ? Value::fromInteger(qint64(v))
                                                                : Value::fromReal(v);
            else if (type == ValueType::Unknown)
                k = Value::fromText(key);
            else {
                d->pos = -1;
                d->noMatch = true;
                d->error = tr("Nepodudaranje tipova podataka u izrazu uslova.");
                return false;
            }
        }
    }
    const ResultData &data = *d->data;
    const bool desc = d->keyDescending.first();
    const auto it = std::lower_bound(d->order.begin(), d->order.end(), k, [&](int r, const Value &key) {
        const int c = jet::compareValues(data.row(r)[column], key);
        return desc ? c > 0 : c < 0;
    });
    if (it != d->order.end() && jet::compareValues(data.row(*it)[column], k) == 0) {
        d->pos = *it;
        d->noMatch = false;
        return true;
    }
    d->pos = -1;
    d->noMatch = true;
    d->error = tr(kNoCurrentRecord);
    return false;
}

bool TableRecordset::noMatch() const
{
    return d->noMatch;
}

bool TableRecordset::hasCurrent() const
{
    return d->valid && d->pos >= 0 && d->pos < d->data->rows;
}

std::optional<QString> TableRecordset::field(int position) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, hasCurrent() ? d->pos : -1, position, nullptr, &d->error);
}

std::optional<QString> TableRecordset::field(const QString &name) const
{
    if (!d->valid)
        return std::nullopt;
    return readField(*d->data, hasCurrent() ? d->pos : -1, 0, &name, &d->error);
}

Recordset TableRecordset::clone() const
{
    Recordset copy;
    if (!d->valid) {
        copy.d->error = d->error;
        return copy;
    }
    copy.d->data = d->data;
    copy.d->valid = true;
    copy.d->error.clear();
    return copy;
}

} // namespace velmora::data
