#include "data/MdbDetail.h"

#include "data/JetSql.h"
#include "data/SqliteFile.h"

#include <QDate>
#include <QRegularExpression>
#include <QVariant>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace velmora::data::mdb {

namespace {

// Row kinds of MSysQueries (the Attribute column).
enum Attribute {
    AttrType = 1,
    AttrParameter = 2,
    AttrFlags = 3,
    AttrTable = 5,
    AttrColumn = 6,
    AttrJoin = 7,
    AttrWhere = 8,
    AttrGroupBy = 9,
    AttrHaving = 10,
    AttrOrderBy = 11,
};

// Bits of the Flag column of the AttrFlags row.
enum SelectFlag {
    FlagSelectStar = 0x01,
    FlagDistinct = 0x02,
    FlagOwnerAccess = 0x04,
    FlagDistinctRow = 0x08,
    FlagTop = 0x10,
    FlagPercent = 0x20,
};

// Roles of the columns and groupings of a crosstab query (their Flag column).
enum CrosstabRole {
    CrosstabValue = 0,
    CrosstabPivot = 1,
    CrosstabRowHeading = 2,
};

QString parameterTypeName(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("Bit");
    case 2:
        return QStringLiteral("Byte");
    case 3:
        return QStringLiteral("Short");
    case 4:
        return QStringLiteral("Long");
    case 5:
        return QStringLiteral("Currency");
    case 6:
        return QStringLiteral("IEEESingle");
    case 7:
        return QStringLiteral("IEEEDouble");
    case 8:
        return QStringLiteral("DateTime");
    case 9:
        return QStringLiteral("Binary");
    case 11:
        return QStringLiteral("LongBinary");
    case 12:
        return QStringLiteral("Memo");
    case 15:
        return QStringLiteral("Guid");
    default:
        return QStringLiteral("Text");
    }
}

// Parameter names such as "Forms!Sales Dialog!BeginningDate" name a control: every part in
// brackets, joined by "!".
QString parameterName(const QString &name)
{
    const QStringList parts = name.split(QLatin1Char('!'));
    QStringList quoted;
    for (const QString &part : parts)
        quoted << QLatin1Char('[') + part + QLatin1Char(']');
    return quoted.join(QLatin1Char('!'));
}

QString withAlias(const QString &expression, const QString &alias)
{
    if (alias.isEmpty())
        return expression;
    return expression + QStringLiteral(" AS ") + jetName(alias);
}

// One operand of the FROM clause: a table, or tables already joined.
struct FromItem {
    QString text;
    QStringList names; // the table names or aliases it holds, lower case
    bool joined = false;
};

QString joinOperand(const FromItem &item)
{
    return item.joined ? QLatin1Char('(') + item.text + QLatin1Char(')') : item.text;
}

int findItem(const QList<FromItem> &items, const QString &name)
{
    const QString key = name.toLower();
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].names.contains(key))
            return i;
    }
    return -1;
}

QString fromClause(const QList<QueryRow> &rows)
{
    QList<FromItem> items;
    for (const QueryRow &row : rows) {
        if (row.attribute != AttrTable)
            continue;
        FromItem item;
        if (!row.expression.isEmpty()) {
            // A sub-select used as a table.
            item.text = QLatin1Char('(') + row.expression.trimmed() + QLatin1Char(')');
            if (!row.name2.isEmpty())
                item.text += QStringLiteral(" AS ") + jetName(row.name2);
        } else {
            item.text = withAlias(jetName(row.name1), row.name2);
        }
        item.names << (row.name2.isEmpty() ? row.name1 : row.name2).toLower();
        items << item;
    }
    for (const QueryRow &row : rows) {
        if (row.attribute != AttrJoin)
            continue;
        int left = findItem(items, row.name1);
        if (left < 0) {
            items << FromItem{jetName(row.name1), {row.name1.toLower()}, false};
            left = int(items.size()) - 1;
        }
        int right = findItem(items, row.name2);
        if (right < 0) {
            items << FromItem{jetName(row.name2), {row.name2.toLower()}, false};
            right = int(items.size()) - 1;
        }
        if (left == right) {
            // A further condition between tables that are joined already.
            items[left].text += QStringLiteral(" AND ") + row.expression;
            continue;
        }
        QString keyword;
        switch (row.flag) {
        case 2:
            keyword = QStringLiteral(" LEFT JOIN ");
            break;
        case 3:
            keyword = QStringLiteral(" RIGHT JOIN ");
            break;
        default:
            keyword = QStringLiteral(" INNER JOIN ");
            break;
        }
        FromItem merged;
        merged.text = joinOperand(items[left]) + keyword + joinOperand(items[right]) +
                      QStringLiteral(" ON ") + row.expression;
        merged.names = items[left].names + items[right].names;
        merged.joined = true;
        const int first = std::min(left, right);
        const int second = std::max(left, right);
        items.removeAt(second);
        items[first] = merged;
    }
    QStringList parts;
    for (const FromItem &item : items)
        parts << item.text;
    return parts.join(QStringLiteral(", "));
}

QStringList expressionsOf(const QList<QueryRow> &rows, int attribute)
{
    QStringList list;
    for (const QueryRow &row : rows) {
        if (row.attribute == attribute && !row.expression.isEmpty())
            list << row.expression;
    }
    return list;
}

QString orderByClause(const QList<QueryRow> &rows)
{
    QStringList keys;
    for (const QueryRow &row : rows) {
        if (row.attribute != AttrOrderBy || row.expression.isEmpty())
            continue;
        QString key = row.expression;
        if (row.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0)
            key += QStringLiteral(" DESC");
        keys << key;
    }
    return keys.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
}

QString parametersClause(const QList<QueryRow> &rows)
{
    QStringList params;
    for (const QueryRow &row : rows) {
        if (row.attribute == AttrParameter && !row.name1.isEmpty())
            params << parameterName(row.name1) + QLatin1Char(' ') + parameterTypeName(row.flag);
    }
    return params.isEmpty()
               ? QString()
               : QStringLiteral("PARAMETERS ") + params.join(QStringLiteral(", ")) + QStringLiteral("; ");
}

int selectFlags(const QList<QueryRow> &rows, QString *top)
{
    for (const QueryRow &row : rows) {
        if (row.attribute == AttrFlags) {
            if (top)
                *top = row.name1;
            return row.flag;
        }
    }
    return 0;
}

QString predicate(int flags, const QString &top)
{
    QString text;
    if (flags & FlagDistinct)
        text += QStringLiteral("DISTINCT ");
    else if (flags & FlagDistinctRow)
        text += QStringLiteral("DISTINCTROW ");
    if ((flags & (FlagTop | FlagPercent)) && !top.isEmpty()) {
        text += QStringLiteral("TOP ") + top + QLatin1Char(' ');
        if (flags & FlagPercent)
            text += QStringLiteral("PERCENT ");
    }
    return text;
}

QString tail(const QList<QueryRow> &rows, bool crosstab)
{
    QString text;
    const QString from = fromClause(rows);
    if (!from.isEmpty())
        text += QStringLiteral(" FROM ") + from;
    const QStringList where = expressionsOf(rows, AttrWhere);
    if (!where.isEmpty())
        text += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    QStringList groups;
    for (const QueryRow &row : rows) {
        if (row.attribute != AttrGroupBy || row.expression.isEmpty())
            continue;
        if (crosstab && row.flag == CrosstabPivot)
            continue;
        groups << row.expression;
    }
    if (!groups.isEmpty())
        text += QStringLiteral(" GROUP BY ") + groups.join(QStringLiteral(", "));
    const QStringList having = expressionsOf(rows, AttrHaving);
    if (!having.isEmpty())
        text += QStringLiteral(" HAVING ") + having.join(QStringLiteral(" AND "));
    return text;
}

QString selectText(const QList<QueryRow> &rows)
{
    QString top;
    const int flags = selectFlags(rows, &top);
    QStringList columns;
    if (flags & FlagSelectStar)
        columns << QStringLiteral("*");
    for (const QueryRow &row : rows) {
        if (row.attribute == AttrColumn && !row.expression.isEmpty())
            columns << withAlias(row.expression, row.name1);
    }
    if (columns.isEmpty())
        return {};
    QString text = parametersClause(rows) + QStringLiteral("SELECT ") + predicate(flags, top) +
                   columns.join(QStringLiteral(", ")) + tail(rows, false) + orderByClause(rows);
    if (flags & FlagOwnerAccess)
        text += QStringLiteral(" WITH OWNERACCESS OPTION");
    return text;
}

QString crosstabText(const QList<QueryRow> &rows)
{
    QString top;
    const int flags = selectFlags(rows, &top);
    QStringList values;
    QStringList headings;
    QString pivot;
    for (const QueryRow &row : rows) {
        if (row.attribute != AttrColumn || row.expression.isEmpty())
            continue;
        if (row.flag == CrosstabPivot)
            pivot = row.expression;
        else if (row.flag == CrosstabRowHeading)
            headings << withAlias(row.expression, row.name1);
        else
            values << withAlias(row.expression, row.name1);
    }
    if (values.isEmpty() || pivot.isEmpty())
        return {};
    return parametersClause(rows) + QStringLiteral("TRANSFORM ") + values.join(QStringLiteral(", ")) +
           QStringLiteral(" SELECT ") + predicate(flags, top) + headings.join(QStringLiteral(", ")) +
           tail(rows, true) + orderByClause(rows) + QStringLiteral(" PIVOT ") + pivot;
}

QString unionText(const QList<QueryRow> &rows)
{
    const int flags = selectFlags(rows, nullptr);
    QStringList parts;
    for (const QueryRow &row : rows) {
        if (row.attribute == AttrTable && !row.expression.trimmed().isEmpty())
            parts << row.expression.trimmed();
    }
    if (parts.isEmpty())
        return {};
    const QString joiner = (flags & FlagDistinct) ? QStringLiteral(" UNION ") : QStringLiteral(" UNION ALL ");
    return parametersClause(rows) + parts.join(joiner) + orderByClause(rows);
}

} // namespace

int jetQueryType(const QList<QueryRow> &rows)
{
    for (const QueryRow &row : rows) {
        if (row.attribute == AttrType)
            return row.flag;
    }
    return SelectQuery;
}

QString jetQueryText(const QList<QueryRow> &rows)
{
    if (rows.isEmpty())
        return {};
    switch (jetQueryType(rows)) {
    case SelectQuery:
        return selectText(rows);
    case CrosstabQuery:
        return crosstabText(rows);
    case UnionQuery:
        return unionText(rows);
    default:
        return {};
    }
}

QString jetName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (plain.match(name).hasMatch())
        return name;
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString jetDateTimeToIso(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e8)
        return {};
    double whole = std::trunc(value);
    qint64 seconds = std::llround(std::fabs(value - whole) * 86400.0);
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        // Rounding reached midnight of the next day.
        seconds -= 86400;
        days += 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(), date.day(),
                             int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}

double jetSingleToDouble(float value)
{
    if (!std::isfinite(value))
        return double(value);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value);
    if (result.ec != std::errc())
        return double(value);
    *result.ptr = '\0';
    return std::strtod(buffer, nullptr);
}

QString uniqueIndexName(const QString &table, const QString &indexName, QSet<QString> *taken)
{
    auto isFree = [taken](const QString &name) {
        return !taken->contains(name.toLower()) &&
               !name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
    };
    QString name = indexName;
    if (!isFree(name)) {
        const QString base = table + QLatin1Char('_') + indexName;
        name = base;
        for (int n = 2; !isFree(name); ++n)
            name = base + QLatin1Char('_') + QString::number(n);
    }
    taken->insert(name.toLower());
    return name;
}

QString sqlName(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool storeQueries(SqliteFile &db, const QList<SavedQuery> &queries, const QueryTranslator &translate,
                  QStringList *skipped, QString *error)
{
    if (!db.exec(QStringLiteral("CREATE TABLE velmora_queries (name TEXT NOT NULL, jetsql TEXT, "
                                "translated INTEGER NOT NULL)"))) {
        if (error)
            *error = db.errorText();
        return false;
    }
    // Views may be built on other saved queries, which need their views first: each round
    // translates (against the views made so far) and makes the views SQLite now accepts,
    // until a round makes none.
    QList<bool> made(queries.size(), false);
    for (bool progress = bool(translate); progress;) {
        progress = false;
        for (qsizetype i = 0; i < queries.size(); ++i) {
            if (made[i] || queries[i].jetSql.trimmed().isEmpty())
                continue;
            const QString select = translate(queries[i].jetSql).trimmed();
            if (select.isEmpty())
                continue;
            const QString view = sqlName(queries[i].name);
            if (!db.exec(QStringLiteral("CREATE VIEW ") + view + QStringLiteral(" AS ") + select))
                continue;
            // A view SQLite accepted may still name what does not exist; reading it tells.
            SqliteStatement check =
                db.prepare(QStringLiteral("SELECT * FROM ") + view + QStringLiteral(" LIMIT 0"));
            if (check.isValid() && (check.next() || db.errorCode() == 0)) {
                made[i] = true;
                progress = true;
            } else {
                check = SqliteStatement();
                db.exec(QStringLiteral("DROP VIEW ") + view);
            }
        }
    }
    SqliteStatement insert =
        db.prepare(QStringLiteral("INSERT INTO velmora_queries (name, jetsql, translated) VALUES (?, ?, ?)"));
    for (qsizetype i = 0; i < queries.size(); ++i) {
        if (!insert.exec({queries[i].name, queries[i].jetSql, made[i] ? 1 : 0})) {
            if (error)
                *error = db.errorText();
            return false;
        }
        if (!made[i] && skipped)
            skipped->append(queries[i].name);
    }
    return true;
}

QueryTranslator jetQueryTranslator(SqliteFile &db)
{
    sqlite3 *connection = db.handle();
    if (!connection || !jet::registerJetFunctions(connection))
        return {};
    return [connection](const QString &jetSql) {
        jet::Schema schema;
        QString error;
        QString select;
        if (!jet::Schema::read(connection, &schema, &error) ||
            !jet::translateToSqliteView(jetSql, schema, &select, &error))
            return QString();
        return select;
    };
}

} // namespace velmora::data::mdb
