#include "data/JetSql.h"
#include "data/JetText.h"

#include <sqlite3.h>

namespace velmora::data::jet {

using namespace detail;

// ---------------------------------------------------------------------------------------
// Schema

int TableInfo::columnIndex(const QString &name) const
{
    for (int k = 0; k < columns.size(); ++k) {
        if (columns[k].name.compare(name, Qt::CaseInsensitive) == 0)
            return k;
    }
    return -1;
}

void Schema::addTable(const TableInfo &table)
{
    m_tables.insert(foldedKey(table.name), table);
}

const TableInfo *Schema::table(const QString &name) const
{
    const auto it = m_tables.constFind(foldedKey(name));
    return it == m_tables.constEnd() ? nullptr : &it.value();
}

QStringList Schema::tableNames() const
{
    QStringList names;
    for (const TableInfo &t : m_tables)
        names << t.name;
    names.sort(Qt::CaseInsensitive);
    return names;
}

namespace {
QString columnText(sqlite3_stmt *st, int col)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, col));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(st, col)) : QString();
}
} // namespace

bool Schema::read(sqlite3 *db, Schema *out, QString *error)
{
    Schema schema;
    sqlite3_stmt *st = nullptr;
    const char *listSql = "SELECT type, name, sql FROM sqlite_master WHERE type IN ('table','view') "
                          "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
    if (sqlite3_prepare_v2(db, listSql, -1, &st, nullptr) != SQLITE_OK) {
        if (error)
            *error = sqliteReason(db);
        sqlite3_finalize(st);
        return false;
    }
    QList<TableInfo> tables;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        TableInfo t;
        t.isView = columnText(st, 0) == QLatin1String("view");
        t.name = columnText(st, 1);
        const QString sql = columnText(st, 2);
        t.hasRowid = !t.isView && !sql.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive);
        tables << t;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        if (error)
            *error = sqliteReason(db);
        return false;
    }
    for (TableInfo &t : tables) {
        const QByteArray pragma = "PRAGMA table_info(" + quoteIdentifier(t.name).toUtf8() + ")";
        if (sqlite3_prepare_v2(db, pragma.constData(), -1, &st, nullptr) != SQLITE_OK) {
            // A view that no longer compiles is left out; naming it then says it is missing.
            sqlite3_finalize(st);
            continue;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            ColumnInfo c;
            c.name = columnText(st, 1);
            c.declaredType = columnText(st, 2);
            c.type = valueTypeFromDeclared(c.declaredType);
            t.columns << c;
        }
        sqlite3_finalize(st);
        if (!t.columns.isEmpty())
            schema.addTable(t);
    }
    *out = std::move(schema);
    return true;
}

// ---------------------------------------------------------------------------------------
// Quoting

QString withQuotesDoubled(const QString &text, QChar quote)
{
    QString q = text;
    q.replace(quote, QString(2, quote));
    return q;
}

// ---------------------------------------------------------------------------------------
// Translation

namespace {

struct Source {
    QString exposed;
    const TableInfo *info = nullptr;
};

struct Operand {
    QString sql;
    ValueType type = ValueType::Unknown;
    bool isNullLiteral = false;
};

QString rowidName(const TableInfo &t)
{
    for (const char *n : {"rowid", "_rowid_", "oid"}) {
        if (t.columnIndex(QLatin1String(n)) < 0)
            return QLatin1String(n);
    }
    return QString();
}

const char *opSql(Expr::Op op)
{
    switch (op) {
    case Expr::Eq:
        return " = ";
    case Expr::Ne:
        return " <> ";
    case Expr::Lt:
        return " < ";
    case Expr::Gt:
        return " > ";
    case Expr::Le:
        return " <= ";
    case Expr::Ge:
        return " >= ";
    }
    return " = ";
}

class Translator {
public:
    Translator(const Schema &schema, bool inlineLiterals) : m_schema(schema), m_inline(inlineLiterals) {}

    QString error;

    bool run(const SelectStatement &s, Translation *out);

private:
    const Schema &m_schema;
    bool m_inline;
    QVariantList m_params;
    QList<Source> m_sources;

    bool fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
    bool literal(const Value &v, QString *sql);
    bool from(const TableRefPtr &ref, QString *sql);
    bool resolve(const Expr &e, int *source, int *column);
    bool operand(const ExprPtr &e, Operand *out);
    bool condition(const ExprPtr &e, QString *sql);
    QString columnSql(int source, int column) const
    {
        return quoteIdentifier(m_sources[source].exposed) + QLatin1Char('.') +
               quoteIdentifier(m_sources[source].info->columns[column].name);
    }
};

bool Translator::literal(const Value &v, QString *sql)
{
    if (!m_inline) {
        switch (v.kind) {
        case Value::Null:
            *sql = QStringLiteral("NULL");
            return true;
        case Value::Integer:
            m_params << QVariant(v.i);
            break;
        case Value::Real:
            m_params << QVariant(v.r);
            break;
        case Value::Text:
            m_params << QVariant(v.text());
            break;
        }
        *sql = QStringLiteral("?");
        return true;
    }
    switch (v.kind) {
    case Value::Null:
        *sql = QStringLiteral("NULL");
        return true;
    case Value::Integer:
        *sql = QString::number(v.i);
        if (v.i < 0)
            *sql = QLatin1Char('(') + *sql + QLatin1Char(')');
        return true;
    case Value::Real: {
        QString t = QString::number(v.r, 'g', 17);
        if (!t.contains(u'.') && !t.contains(u'e') && !t.contains(u'n') && !t.contains(u'i'))
            t += QStringLiteral(".0");
        *sql = v.r < 0 ? QLatin1Char('(') + t + QLatin1Char(')') : t;
        return true;
    }
    case Value::Text:
        if (v.text().contains(QChar(0)))
            return fail(tr("Tekst upita sadrži znak NUL."));
        *sql = quoteTextLiteral(v.text());
        return true;
    }
    return false;
}

bool Translator::from(const TableRefPtr &ref, QString *sql)
{
    if (ref->kind == TableRef::Table) {
        const TableInfo *info = m_schema.table(ref->name);
        if (!info)
            return fail(tr("Ulazna tabela ili upit \"%1\" ne može se pronaći.").arg(ref->name));
        Source s;
        s.info = info;
        s.exposed = ref->alias.isEmpty() ? info->name : ref->alias;
        for (const Source &other : m_sources) {
            if (other.exposed.compare(s.exposed, Qt::CaseInsensitive) == 0)
                return fail(tr("Tabela ili zamjensko ime \"%1\" navedeno je dvaput u FROM.").arg(s.exposed));
        }
        m_sources << s;
        *sql = quoteIdentifier(info->name);
        if (!ref->alias.isEmpty())
            *sql += QStringLiteral(" AS ") + quoteIdentifier(ref->alias);
        return true;
    }
    QString left, right, on;
    if (!from(ref->left, &left) || !from(ref->right, &right))
        return false;
    if (!condition(ref->on, &on))
        return false;
    const char *kind = ref->join == TableRef::Left    ? " LEFT JOIN "
                       : ref->join == TableRef::Right ? " RIGHT JOIN "
                                                      : " INNER JOIN ";
    *sql = QLatin1Char('(') + left + QLatin1String(kind) + right + QStringLiteral(" ON ") + on +
           QLatin1Char(')');
    return true;
}

bool Translator::resolve(const Expr &e, int *source, int *column)
{
    if (!e.qualifier.isEmpty()) {
        for (int s = 0; s < m_sources.size(); ++s) {
            if (m_sources[s].exposed.compare(e.qualifier, Qt::CaseInsensitive) != 0)
                continue;
            const int c = m_sources[s].info->columnIndex(e.name);
            if (c < 0)
                return fail(tr("Nepoznato polje \"%1\".").arg(columnDisplay(e)));
            *source = s;
            *column = c;
            return true;
        }
        return fail(tr("Nepoznata tabela \"%1\" u polju \"%2\".").arg(e.qualifier, columnDisplay(e)));
    }
    int found = 0;
    for (int s = 0; s < m_sources.size(); ++s) {
        const int c = m_sources[s].info->columnIndex(e.name);
        if (c >= 0) {
            ++found;
            *source = s;
            *column = c;
        }
    }
    if (found == 0)
        return fail(tr("Nepoznato polje \"%1\".").arg(e.name));
    if (found > 1)
        return fail(tr("Polje \"%1\" može se odnositi na više tabela navedenih u dijelu FROM.").arg(e.name));
    return true;
}

bool Translator::operand(const ExprPtr &e, Operand *out)
{
    if (e->kind == Expr::Literal) {
        out->type = literalType(e->value);
        out->isNullLiteral = e->value.isNull();
        return literal(e->value, &out->sql);
    }
    if (e->kind == Expr::Column) {
        int s = 0, c = 0;
        if (!resolve(*e, &s, &c))
            return false;
        out->sql = columnSql(s, c);
        out->type = m_sources[s].info->columns[c].type;
        return true;
    }
    return fail(
        tr("Poređenje traži kolonu ili vrijednost sa svake strane (mjesto %1).").arg(e->position + 1));
}

bool Translator::condition(const ExprPtr &e, QString *sql)
{
    switch (e->kind) {
    case Expr::And:
    case Expr::Or: {
        // One pair of parentheses around the whole chain: SQLite's parser would run out of
        // depth on a pair around every AND. Each term brings its own.
        const QLatin1String joint(e->kind == Expr::And ? " AND " : " OR ");
        QString chain = QStringLiteral("(");
        for (qsizetype k = 0; k < e->terms.size(); ++k) {
            QString term;
            if (!condition(e->terms[k], &term))
                return false;
            if (k > 0)
                chain += joint;
            chain += term;
        }
        *sql = chain + QLatin1Char(')');
        return true;
    }
    case Expr::Not: {
        QString inner;
        if (!condition(e->left, &inner))
            return false;
        *sql = QStringLiteral("(NOT ") + inner + QLatin1Char(')');
        return true;
    }
    case Expr::Compare: {
        Operand l, r;
        if (!operand(e->left, &l) || !operand(e->right, &r))
            return false;
        if (mismatched(l.type, r.type))
            return fail(tr(kMismatch));
        QString right = r.sql;
        if (l.type == ValueType::Text || r.type == ValueType::Text || l.type == ValueType::Unknown ||
            r.type == ValueType::Unknown)
            right += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        *sql = QLatin1Char('(') + l.sql + QLatin1String(opSql(e->op)) + right + QLatin1Char(')');
        return true;
    }
    case Expr::Like: {
        Operand l, r;
        if (!operand(e->left, &l) || !operand(e->right, &r))
            return false;
        if (e->right->kind == Expr::Literal && !e->right->value.isNull()) {
            LikePattern check;
            QString err;
            if (!LikePattern::compile(e->right->value.toText(), &check, &err))
                return fail(err);
        }
        *sql = (e->negated ? QStringLiteral("(NOT ") : QStringLiteral("(")) + QLatin1String(kLikeFunction) +
               QLatin1Char('(') + l.sql + QStringLiteral(", ") + r.sql + QStringLiteral("))");
        return true;
    }
    case Expr::IsNull: {
        Operand l;
        if (!operand(e->left, &l))
            return false;
        *sql = QLatin1Char('(') + l.sql +
               (e->negated ? QStringLiteral(" IS NOT NULL)") : QStringLiteral(" IS NULL)"));
        return true;
    }
    case Expr::Column:
    case Expr::Literal: {
        // A value alone is a condition when it is a number (Yes/No fields): true unless 0.
        Operand v;
        if (!operand(e, &v))
            return false;
        if (v.type == ValueType::Text)
            return fail(tr(kMismatch));
        *sql = QLatin1Char('(') + v.sql + QStringLiteral(" <> 0)");
        return true;
    }
    }
    return fail(tr("Nepodržan izraz."));
}

bool Translator::run(const SelectStatement &s, Translation *out)
{
    QStringList fromSql;
    for (const TableRefPtr &ref : s.from) {
        QString part;
        if (!from(ref, &part))
            return false;
        fromSql << part;
    }

    struct Item {
        QString sql;
        FieldInfo field;
        bool aliased = false;
    };
    QList<Item> items;
    int exprCounter = 1000;
    auto addSource = [&](int src) {
        const Source &so = m_sources[src];
        for (int c = 0; c < so.info->columns.size(); ++c) {
            Item it;
            it.sql = columnSql(src, c);
            it.field = {so.info->columns[c].name, so.exposed, so.info->columns[c].name,
                        so.info->columns[c].type};
            items << it;
        }
    };
    for (const SelectItem &si : s.items) {
        if (si.kind == SelectItem::AllColumns) {
            for (int src = 0; src < m_sources.size(); ++src)
                addSource(src);
        } else if (si.kind == SelectItem::TableColumns) {
            int found = -1;
            for (int src = 0; src < m_sources.size(); ++src) {
                if (m_sources[src].exposed.compare(si.table, Qt::CaseInsensitive) == 0)
                    found = src;
            }
            if (found < 0)
                return fail(tr("Nepoznata tabela \"%1\" u \"%1.*\".").arg(si.table));
            addSource(found);
        } else {
            Item it;
            Operand o;
            if (!operand(si.expr, &o))
                return false;
            it.sql = o.sql;
            if (si.expr->kind == Expr::Column) {
                int src = 0, col = 0;
                resolve(*si.expr, &src, &col);
                const ColumnInfo &ci = m_sources[src].info->columns[col];
                it.field = {ci.name, m_sources[src].exposed, ci.name, ci.type};
            } else {
                if (si.alias.isEmpty())
                    it.field.name = QStringLiteral("Expr%1").arg(exprCounter++);
                it.field.type = o.type;
            }
            if (!si.alias.isEmpty()) {
                it.field.name = si.alias;
                it.aliased = true;
            }
            items << it;
        }
    }
    // Jet names a column that several tables give as table.column.
    QList<bool> qualify(items.size(), false);
    for (int a = 0; a < items.size(); ++a) {
        const Item &it = items[a];
        if (it.aliased || it.field.table.isEmpty())
            continue;
        for (const Item &other : std::as_const(items)) {
            if (!other.aliased && other.field.name.compare(it.field.name, Qt::CaseInsensitive) == 0 &&
                other.field.table.compare(it.field.table, Qt::CaseInsensitive) != 0)
                qualify[a] = true;
        }
    }
    for (int a = 0; a < items.size(); ++a) {
        if (qualify[a])
            items[a].field.name = items[a].field.table + QLatin1Char('.') + items[a].field.column;
    }
    for (int a = 0; a < items.size(); ++a) {
        for (int b = a + 1; b < items.size(); ++b) {
            if (items[a].field.name.compare(items[b].field.name, Qt::CaseInsensitive) == 0 &&
                (items[a].aliased || items[b].aliased))
                return fail(tr("Izlazno zamjensko ime \"%1\" se ponavlja.").arg(items[b].field.name));
        }
    }

    QString where;
    if (s.where && !condition(s.where, &where))
        return false;

    QStringList order;
    for (const OrderItem &o : s.orderBy) {
        int src = 0, col = 0;
        if (!resolve(*o.expr, &src, &col))
            return false;
        QString term = columnSql(src, col);
        const ValueType t = m_sources[src].info->columns[col].type;
        if (t == ValueType::Text || t == ValueType::Unknown)
            term += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        if (o.descending)
            term += QStringLiteral(" DESC");
        order << term;
    }
    // Without ORDER BY the rows come in the tables' own order, not in that of an index the
    // engine happens to read.
    if (order.isEmpty() && s.quantifier != SelectStatement::Distinct) {
        for (const Source &so : m_sources) {
            if (!so.info->hasRowid)
                continue;
            const QString rowid = rowidName(*so.info);
            if (!rowid.isEmpty())
                order << quoteIdentifier(so.exposed) + QLatin1Char('.') + rowid;
        }
    }

    QString sql = QStringLiteral("SELECT ");
    if (s.quantifier == SelectStatement::Distinct)
        sql += QStringLiteral("DISTINCT ");
    QStringList cols;
    QList<FieldInfo> fields;
    for (const Item &it : items) {
        QString c = it.sql;
        if (s.quantifier == SelectStatement::Distinct &&
            (it.field.type == ValueType::Text || it.field.type == ValueType::Unknown))
            c += QStringLiteral(" COLLATE ") + QLatin1String(kCollation);
        cols << c + QStringLiteral(" AS ") + quoteIdentifier(it.field.name);
        fields << it.field;
    }
    sql += cols.join(QStringLiteral(", "));
    sql += QStringLiteral(" FROM ") + fromSql.join(QStringLiteral(", "));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    if (s.top)
        sql += QStringLiteral(" LIMIT ") + QString::number(*s.top);

    out->sql = sql;
    out->params = m_params;
    out->fields = fields;
    return true;
}

bool translateWith(const QString &jet, const Schema &schema, bool inlineLiterals, Translation *out,
                   QString *error)
{
    SelectStatement s;
    QString err;
    if (!parseSelect(jet, &s, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Translator t(schema, inlineLiterals);
    Translation result;
    if (!t.run(s, &result)) {
        if (error)
            *error = t.error;
        return false;
    }
    *out = std::move(result);
    return true;
}

} // namespace

bool translate(const QString &jet, const Schema &schema, Translation *out, QString *error)
{
    return translateWith(jet, schema, false, out, error);
}

bool translateInline(const QString &jet, const Schema &schema, Translation *out, QString *error)
{
    return translateWith(jet, schema, true, out, error);
}

bool translateTable(const QString &tableName, const Schema &schema, Translation *out, QString *error)
{
    if (!schema.table(tableName)) {
        if (error)
            *error = tr("Ulazna tabela ili upit \"%1\" ne može se pronaći.").arg(tableName);
        return false;
    }
    SelectStatement s;
    SelectItem all;
    all.kind = SelectItem::AllColumns;
    s.items << all;
    auto ref = std::make_shared<TableRef>();
    ref->name = tableName;
    s.from << ref;
    Translator t(schema, false);
    if (!t.run(s, out)) {
        if (error)
            *error = t.error;
        return false;
    }
    return true;
}

bool translateToSqlite(const QString &jet, const Schema &schema, QString *sqliteSql, QVariantList *params,
                       QString *error)
{
    Translation t;
    if (!translate(jet, schema, &t, error))
        return false;
    if (sqliteSql)
        *sqliteSql = t.sql;
    if (params)
        *params = t.params;
    return true;
}

bool translateToSqliteView(const QString &jet, const Schema &schema, QString *sqliteSql, QString *error)
{
    Translation t;
    if (!translateInline(jet, schema, &t, error))
        return false;
    if (sqliteSql)
        *sqliteSql = t.sql;
    return true;
}

} // namespace velmora::data::jet
