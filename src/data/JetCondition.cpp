#include "data/JetSql.h"
#include "data/JetText.h"

namespace velmora::data::jet {

using namespace detail;

// ---------------------------------------------------------------------------------------
// Conditions evaluated in memory

struct Condition::Node {
    Expr::Kind kind = Expr::Literal;
    Expr::Op op = Expr::Eq;
    bool negated = false;
    int field = -1; // a column: index in the row
    Value literal;  // a literal
    int pattern = -1;
    std::shared_ptr<const Node> left;
    std::shared_ptr<const Node> right;
    std::vector<std::shared_ptr<const Node>> terms; // And, Or
};

namespace {

enum class Truth { False, True, Unknown };

struct ConditionCompiler {
    const QList<FieldInfo> &fields;
    std::vector<LikePattern> &patterns;
    QString error;

    bool fail(const QString &m)
    {
        if (error.isEmpty())
            error = m;
        return false;
    }

    bool field(const Expr &e, int *index)
    {
        int found = -1, count = 0;
        const QString full = columnDisplay(e);
        for (int k = 0; k < fields.size(); ++k) {
            if (fields[k].name.compare(full, Qt::CaseInsensitive) == 0) {
                *index = k;
                return true;
            }
        }
        for (int k = 0; k < fields.size(); ++k) {
            const FieldInfo &f = fields[k];
            const bool tableOk =
                e.qualifier.isEmpty() || f.table.compare(e.qualifier, Qt::CaseInsensitive) == 0;
            if (tableOk && !f.column.isEmpty() && f.column.compare(e.name, Qt::CaseInsensitive) == 0) {
                found = k;
                ++count;
            }
        }
        if (count == 1) {
            *index = found;
            return true;
        }
        if (count > 1)
            return fail(tr("Polje \"%1\" može se odnositi na više kolona.").arg(full));
        return fail(tr("Nepoznato polje \"%1\".").arg(full));
    }

    bool operand(const ExprPtr &e, std::shared_ptr<Condition::Node> *out, ValueType *type)
    {
        auto n = std::make_shared<Condition::Node>();
        n->kind = e->kind;
        if (e->kind == Expr::Literal) {
            n->literal = e->value;
            *type = literalType(e->value);
        } else if (e->kind == Expr::Column) {
            if (!field(*e, &n->field))
                return false;
            *type = fields[n->field].type;
        } else {
            return fail(tr("Poređenje traži kolonu ili vrijednost sa svake strane (mjesto %1).")
                            .arg(e->position + 1));
        }
        *out = n;
        return true;
    }

    bool compile(const ExprPtr &e, std::shared_ptr<const Condition::Node> *out)
    {
        auto n = std::make_shared<Condition::Node>();
        n->kind = e->kind;
        n->op = e->op;
        n->negated = e->negated;
        switch (e->kind) {
        case Expr::And:
        case Expr::Or:
            n->terms.resize(size_t(e->terms.size()));
            for (qsizetype k = 0; k < e->terms.size(); ++k) {
                if (!compile(e->terms[k], &n->terms[size_t(k)]))
                    return false;
            }
            break;
        case Expr::Not:
            if (!compile(e->left, &n->left))
                return false;
            break;
        case Expr::Compare: {
            std::shared_ptr<Condition::Node> l, r;
            ValueType lt, rt;
            if (!operand(e->left, &l, &lt) || !operand(e->right, &r, &rt))
                return false;
            if (mismatched(lt, rt))
                return fail(tr(kMismatch));
            n->left = l;
            n->right = r;
            break;
        }
        case Expr::Like: {
            std::shared_ptr<Condition::Node> l, r;
            ValueType lt, rt;
            if (!operand(e->left, &l, &lt) || !operand(e->right, &r, &rt))
                return false;
            if (e->right->kind == Expr::Literal && !e->right->value.isNull()) {
                LikePattern p;
                QString err;
                if (!LikePattern::compile(e->right->value.toText(), &p, &err))
                    return fail(err);
                patterns.push_back(std::move(p));
                n->pattern = int(patterns.size()) - 1;
            }
            n->left = l;
            n->right = r;
            break;
        }
        case Expr::IsNull: {
            std::shared_ptr<Condition::Node> l;
            ValueType lt;
            if (!operand(e->left, &l, &lt))
                return false;
            n->left = l;
            break;
        }
        case Expr::Column:
        case Expr::Literal: {
            std::shared_ptr<Condition::Node> v;
            ValueType vt;
            if (!operand(e, &v, &vt))
                return false;
            if (vt == ValueType::Text)
                return fail(tr(kMismatch));
            *out = v;
            return true;
        }
        }
        *out = n;
        return true;
    }
};

const Value &operandValue(const Condition::Node &n, const Value *row)
{
    return n.kind == Expr::Column ? row[n.field] : n.literal;
}

} // namespace

bool Condition::compile(const QString &text, const QList<FieldInfo> &fields, Condition *out, QString *error)
{
    ExprPtr e;
    QString err;
    if (!parseCondition(text, &e, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Condition c;
    ConditionCompiler cc{fields, c.m_patterns, {}};
    std::shared_ptr<const Node> root;
    if (!cc.compile(e, &root)) {
        if (error)
            *error = cc.error;
        return false;
    }
    c.m_root = root;
    *out = std::move(c);
    return true;
}

namespace {

Truth evaluate(const Condition::Node &n, const Value *row, const std::vector<LikePattern> &patterns)
{
    switch (n.kind) {
    case Expr::And:
    case Expr::Or: {
        // AND: False as soon as one term is False, Unknown when one was Unknown, else True;
        // OR the same with True and False exchanged.
        const Truth decisive = n.kind == Expr::And ? Truth::False : Truth::True;
        Truth result = n.kind == Expr::And ? Truth::True : Truth::False;
        for (const auto &term : n.terms) {
            const Truth t = evaluate(*term, row, patterns);
            if (t == decisive)
                return decisive;
            if (t == Truth::Unknown)
                result = Truth::Unknown;
        }
        return result;
    }
    case Expr::Not: {
        const Truth a = evaluate(*n.left, row, patterns);
        return a == Truth::Unknown ? a : (a == Truth::True ? Truth::False : Truth::True);
    }
    case Expr::Compare: {
        const Value &a = operandValue(*n.left, row);
        const Value &b = operandValue(*n.right, row);
        if (a.isNull() || b.isNull())
            return Truth::Unknown;
        const int c = compareValues(a, b);
        bool r = false;
        switch (n.op) {
        case Expr::Eq:
            r = c == 0;
            break;
        case Expr::Ne:
            r = c != 0;
            break;
        case Expr::Lt:
            r = c < 0;
            break;
        case Expr::Gt:
            r = c > 0;
            break;
        case Expr::Le:
            r = c <= 0;
            break;
        case Expr::Ge:
            r = c >= 0;
            break;
        }
        return r ? Truth::True : Truth::False;
    }
    case Expr::Like: {
        const Value &a = operandValue(*n.left, row);
        const Value &b = operandValue(*n.right, row);
        if (a.isNull() || b.isNull())
            return Truth::Unknown;
        bool r;
        if (n.pattern >= 0) {
            r = patterns[size_t(n.pattern)].matches(a.toText());
        } else {
            LikePattern p;
            if (!LikePattern::compile(b.toText(), &p, nullptr))
                return Truth::Unknown;
            r = p.matches(a.toText());
        }
        return r != n.negated ? Truth::True : Truth::False;
    }
    case Expr::IsNull:
        return operandValue(*n.left, row).isNull() != n.negated ? Truth::True : Truth::False;
    case Expr::Column:
    case Expr::Literal: {
        const Value &v = operandValue(n, row);
        if (v.isNull())
            return Truth::Unknown;
        if (!v.isNumber())
            return Truth::False;
        return v.number() != 0 ? Truth::True : Truth::False;
    }
    }
    return Truth::Unknown;
}

} // namespace

bool Condition::matches(const Value *row) const
{
    return m_root && evaluate(*m_root, row, m_patterns) == Truth::True;
}

} // namespace velmora::data::jet
