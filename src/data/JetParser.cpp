#include "data/JetSql.h"
#include "data/JetText.h"

namespace velmora::data::jet {

using namespace detail;

// ---------------------------------------------------------------------------------------
// Tokens

bool Token::isKeyword(const char *word) const
{
    return kind == Name && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool tokenize(const QString &text, QList<Token> *tokens, QString *error)
{
    tokens->clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    auto isNameStart = [](QChar c) { return c.isLetter() || c == u'_'; };
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c.isMark(); };
    while (i < n) {
        const QChar c = text[i];
        if (c.unicode() == 0) {
            *error = tr("Tekst upita sadrži znak NUL.");
            return false;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.position = int(i);
        if (c == u'\'' || c == u'"') {
            t.kind = Token::String;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i].unicode() == 0) {
                    *error = tr("Tekst upita sadrži znak NUL.");
                    return false;
                }
                if (text[i] == c) {
                    if (i + 1 < n && text[i + 1] == c) {
                        t.text += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.text += text[i++];
            }
            if (!closed) {
                *error = tr("Sintaksna greška u nizu znakova u izrazu upita: navodnik na mjestu %1 nije "
                            "zatvoren.")
                             .arg(t.position + 1);
                return false;
            }
        } else if (c == u'[') {
            t.kind = Token::BracketName;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == u']') {
                    ++i;
                    closed = true;
                    break;
                }
                if (text[i] == u'[' || text[i].unicode() == 0) {
                    *error = tr("Neispravne uglaste zagrade oko imena na mjestu %1.").arg(t.position + 1);
                    return false;
                }
                t.text += text[i++];
            }
            if (!closed) {
                *error =
                    tr("Neispravne uglaste zagrade oko imena: zagrada \"[\" na mjestu %1 nije zatvorena.")
                        .arg(t.position + 1);
                return false;
            }
            if (t.text.trimmed().isEmpty()) {
                *error =
                    tr("Neispravne uglaste zagrade oko imena: prazno ime na mjestu %1.").arg(t.position + 1);
                return false;
            }
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(text[i + 1]) &&
                                  (tokens->isEmpty() || (tokens->last().kind != Token::Name &&
                                                         tokens->last().kind != Token::BracketName &&
                                                         tokens->last().text != QLatin1String(")"))))) {
            t.kind = Token::Number;
            const qsizetype start = i;
            while (i < n && isDigit(text[i]))
                ++i;
            if (i < n && text[i] == u'.') {
                ++i;
                while (i < n && isDigit(text[i]))
                    ++i;
            }
            // An exponent only when digits follow the E: "2And" stays the number 2.
            if (i < n && (text[i] == u'e' || text[i] == u'E')) {
                qsizetype k = i + 1;
                if (k < n && (text[k] == u'+' || text[k] == u'-'))
                    ++k;
                if (k < n && isDigit(text[k])) {
                    i = k;
                    while (i < n && isDigit(text[i]))
                        ++i;
                }
            }
            t.text = text.mid(start, i - start);
        } else if (isNameStart(c)) {
            t.kind = Token::Name;
            const qsizetype start = i;
            while (i < n && isNameChar(text[i]))
                ++i;
            t.text = text.mid(start, i - start);
        } else {
            t.kind = Token::Symbol;
            if (i + 1 < n && ((c == u'<' && (text[i + 1] == u'>' || text[i + 1] == u'=')) ||
                              (c == u'>' && text[i + 1] == u'=') || (c == u'!' && text[i + 1] == u'=') ||
                              (c == u'-' && text[i + 1] == u'-'))) {
                t.text = text.mid(i, 2);
                i += 2;
            } else if (c.isHighSurrogate() && i + 1 < n) {
                t.text = text.mid(i, 2);
                i += 2;
            } else {
                t.text = QString(c);
                ++i;
            }
        }
        tokens->append(t);
    }
    Token end;
    end.kind = Token::End;
    end.position = int(n);
    tokens->append(end);
    return true;
}

// ---------------------------------------------------------------------------------------
// Parser

namespace {

constexpr int kMaxDepth = 100;

class Parser {
public:
    explicit Parser(QList<Token> tokens) : m_tokens(std::move(tokens)) {}

    QString error;

    bool parseStatement(SelectStatement *out);
    bool parseConditionOnly(ExprPtr *out);

private:
    QList<Token> m_tokens;
    int m_pos = 0;
    int m_depth = 0;
    int m_conditions = 0;
    int m_tables = 0;

    const Token &peek(int k = 0) const
    {
        const int at = qMin(m_pos + k, int(m_tokens.size()) - 1);
        return m_tokens[at];
    }
    const Token &next() { return m_tokens[qMin(m_pos++, int(m_tokens.size()) - 1)]; }
    bool atKeyword(const char *w, int k = 0) const { return peek(k).isKeyword(w); }
    bool atSymbol(const char *s, int k = 0) const
    {
        return peek(k).kind == Token::Symbol && peek(k).text == QLatin1String(s);
    }
    bool acceptKeyword(const char *w)
    {
        if (!atKeyword(w))
            return false;
        ++m_pos;
        return true;
    }
    bool acceptSymbol(const char *s)
    {
        if (!atSymbol(s))
            return false;
        ++m_pos;
        return true;
    }
    bool fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
    bool failNear(const Token &t)
    {
        if (t.kind == Token::End)
            return fail(tr("Sintaksna greška: tekst upita završava se prerano."));
        QString shown = t.text;
        if (t.kind == Token::String)
            shown = QLatin1Char('\'') + shown + QLatin1Char('\'');
        else if (t.kind == Token::BracketName)
            shown = QLatin1Char('[') + shown + QLatin1Char(']');
        if (shown.size() > 40)
            shown = shown.left(40) + QStringLiteral("...");
        if (t.kind == Token::Symbol && (t.text == QLatin1String("--") || t.text == QLatin1String("/")))
            return fail(tr("Sintaksna greška kod \"%1\" na mjestu %2: komentari nisu dio jezika Jet SQL.")
                            .arg(shown)
                            .arg(t.position + 1));
        if (t.kind == Token::Symbol && t.text == QLatin1String("#"))
            return fail(tr("Datumske vrijednosti (#...#) nisu podržane, na mjestu %1.").arg(t.position + 1));
        return fail(tr("Sintaksna greška kod \"%1\" na mjestu %2.").arg(shown).arg(t.position + 1));
    }
    bool enter()
    {
        if (++m_depth > kMaxDepth)
            return fail(tr("Upit je previše duboko ugniježđen."));
        return true;
    }
    void leave() { --m_depth; }

    bool isNameToken(const Token &t) const
    {
        return t.kind == Token::BracketName || (t.kind == Token::Name && !isReservedWord(t.text));
    }
    bool parseName(QString *name, const char *what);
    bool checkUnsupportedWord(const Token &t);

    bool parseTableRef(TableRefPtr *out);
    bool parseTablePrimary(TableRefPtr *out);
    bool parseChain(ExprPtr *out, const char *keyword, int kind, bool (Parser::*operand)(ExprPtr *));
    bool parseOr(ExprPtr *out);
    bool parseAnd(ExprPtr *out);
    bool parseNot(ExprPtr *out);
    bool parsePredicate(ExprPtr *out);
    bool parseOperand(ExprPtr *out);
    bool parseSelectItem(SelectItem *out);
    bool finish();
};

bool Parser::checkUnsupportedWord(const Token &t)
{
    if (t.kind != Token::Name)
        return true;
    static const char *const unsupported[][2] = {
        {"in", "Liste IN nisu podržane."},
        {"between", "BETWEEN nije podržan."},
        {"exists", "Podupiti (EXISTS) nisu podržani."},
        {"group", "GROUP BY nije podržan."},
        {"having", "HAVING nije podržan."},
        {"union", "Upiti UNION nisu podržani."},
        {"into", "SELECT ... INTO nije podržan: baza se može samo čitati."},
        {"pivot", "Unakrsni upiti (crosstab) nisu podržani."},
    };
    for (const auto &u : unsupported) {
        if (t.isKeyword(u[0]))
            return fail(tr(u[1]));
    }
    return true;
}

bool Parser::parseName(QString *name, const char *what)
{
    const Token &t = peek();
    if (!isNameToken(t)) {
        if (t.kind == Token::Name && !checkUnsupportedWord(t))
            return false;
        if (t.kind == Token::End)
            return fail(tr("Sintaksna greška: na kraju teksta upita očekuje se %1.").arg(tr(what)));
        return failNear(t);
    }
    ++m_pos;
    *name = t.text;
    return true;
}

bool Parser::finish()
{
    if (acceptSymbol(";")) {
        if (peek().kind != Token::End)
            return fail(tr("Iza kraja SQL naredbe ima još znakova."));
        return true;
    }
    if (peek().kind == Token::End)
        return true;
    if (!checkUnsupportedWord(peek()))
        return false;
    return failNear(peek());
}

bool Parser::parseStatement(SelectStatement *out)
{
    const Token &first = peek();
    if (first.kind == Token::End)
        return fail(tr("Tekst upita je prazan."));
    if (!first.isKeyword("select")) {
        if (first.kind == Token::Name && isStatementWord(first.text))
            return fail(tr("Mogu se izvršavati samo upiti SELECT: \"%1\" nije dozvoljen.").arg(first.text));
        return fail(tr("Neispravna SQL naredba; očekuje se SELECT."));
    }
    ++m_pos;
    if (acceptKeyword("distinct"))
        out->quantifier = SelectStatement::Distinct;
    else if (acceptKeyword("distinctrow"))
        out->quantifier = SelectStatement::DistinctRow;
    else
        acceptKeyword("all");
    if (acceptKeyword("top")) {
        const Token &n = peek();
        bool ok = false;
        const qint64 v = n.kind == Token::Number ? n.text.toLongLong(&ok) : 0;
        if (!ok || v <= 0)
            return fail(tr("TOP traži cijeli broj veći od nule."));
        ++m_pos;
        if (atKeyword("percent"))
            return fail(tr("TOP ... PERCENT nije podržan."));
        out->top = v;
    }
    do {
        SelectItem item;
        if (!parseSelectItem(&item))
            return false;
        out->items.append(item);
    } while (acceptSymbol(","));

    if (!acceptKeyword("from")) {
        if (!checkUnsupportedWord(peek()))
            return false;
        if (peek().kind == Token::End)
            return fail(tr("Sintaksna greška: očekuje se FROM."));
        return failNear(peek());
    }
    do {
        TableRefPtr ref;
        if (!parseTableRef(&ref))
            return false;
        out->from.append(ref);
    } while (acceptSymbol(","));

    if (acceptKeyword("where")) {
        if (!parseOr(&out->where))
            return false;
    }
    if (!checkUnsupportedWord(peek()))
        return false;
    if (acceptKeyword("order")) {
        if (!acceptKeyword("by"))
            return failNear(peek());
        do {
            OrderItem item;
            if (!parseOperand(&item.expr))
                return false;
            if (item.expr->kind != Expr::Column)
                return fail(tr("ORDER BY prima samo imena kolona."));
            if (acceptKeyword("desc") || acceptKeyword("descending"))
                item.descending = true;
            else
                acceptKeyword("asc");
            out->orderBy.append(item);
        } while (acceptSymbol(","));
    }
    return finish();
}

bool Parser::parseConditionOnly(ExprPtr *out)
{
    if (peek().kind == Token::End)
        return fail(tr("Uslov je prazan."));
    if (!parseOr(out))
        return false;
    if (peek().kind != Token::End) {
        if (atSymbol(";"))
            return fail(tr("Iza kraja SQL naredbe ima još znakova."));
        if (!checkUnsupportedWord(peek()))
            return false;
        return failNear(peek());
    }
    return true;
}

bool Parser::parseSelectItem(SelectItem *out)
{
    if (acceptSymbol("*")) {
        out->kind = SelectItem::AllColumns;
        return true;
    }
    if (isNameToken(peek()) && atSymbol(".", 1) && atSymbol("*", 2)) {
        out->kind = SelectItem::TableColumns;
        out->table = peek().text;
        m_pos += 3;
        return true;
    }
    out->kind = SelectItem::Expression;
    if (!parseOperand(&out->expr))
        return false;
    if (out->expr->kind != Expr::Column && out->expr->kind != Expr::Literal)
        return fail(tr("Mogu se birati samo kolone i vrijednosti."));
    if (acceptKeyword("as")) {
        if (!parseName(&out->alias, "zamjensko ime"))
            return false;
    }
    return true;
}

bool Parser::parseTableRef(TableRefPtr *out)
{
    if (!enter())
        return false;
    TableRefPtr left;
    if (!parseTablePrimary(&left))
        return false;
    for (;;) {
        const Token &start = peek();
        TableRef::JoinKind kind;
        if (acceptKeyword("inner")) {
            kind = TableRef::Inner;
        } else if (acceptKeyword("left")) {
            kind = TableRef::Left;
            acceptKeyword("outer");
        } else if (acceptKeyword("right")) {
            kind = TableRef::Right;
            acceptKeyword("outer");
        } else {
            break;
        }
        if (!acceptKeyword("join"))
            return failNear(peek());
        TableRefPtr right;
        if (!parseTablePrimary(&right))
            return false;
        if (!acceptKeyword("on"))
            return fail(tr("Sintaksna greška u operaciji JOIN: očekuje se ON."));
        auto join = std::make_shared<TableRef>();
        join->kind = TableRef::Join;
        join->join = kind;
        join->left = left;
        join->right = right;
        join->position = start.position;
        if (!parseOr(&join->on))
            return false;
        left = join;
    }
    leave();
    *out = left;
    return true;
}

bool Parser::parseTablePrimary(TableRefPtr *out)
{
    if (atSymbol("(")) {
        if (atKeyword("select", 1))
            return fail(tr("Podupiti nisu podržani."));
        ++m_pos;
        if (!parseTableRef(out))
            return false;
        if (!acceptSymbol(")"))
            return fail(tr("Sintaksna greška u operaciji JOIN: očekuje se \")\"."));
        return true;
    }
    if (++m_tables > kMaxTables)
        return fail(tr("Upit može navesti najviše %1 tabela.").arg(kMaxTables));
    auto t = std::make_shared<TableRef>();
    t->position = peek().position;
    if (!parseName(&t->name, "ime tabele"))
        return false;
    if (atSymbol("(")) // a table-valued function
        return fail(tr("Funkcije nisu podržane: %1().").arg(t->name));
    if (atSymbol(".") || atSymbol("!"))
        return fail(tr("Tabele iz drugih baza podataka nisu podržane."));
    if (acceptKeyword("as")) {
        if (!parseName(&t->alias, "zamjensko ime"))
            return false;
    } else if (isNameToken(peek())) {
        t->alias = next().text;
    }
    *out = t;
    return true;
}

// Operands joined by one keyword, left to right: a OR b OR c, a AND b AND c, read in a loop
// into one node. An operand that is itself a chain of the same kind (in parentheses) joins
// the node's terms: the two mean the same.
bool Parser::parseChain(ExprPtr *out, const char *keyword, int kind, bool (Parser::*operand)(ExprPtr *))
{
    ExprPtr first;
    if (!(this->*operand)(&first))
        return false;
    if (!atKeyword(keyword)) {
        *out = first;
        return true;
    }
    auto chain = std::make_shared<Expr>();
    chain->kind = static_cast<decltype(chain->kind)>(kind);
    chain->position = peek().position;
    const auto add = [&](const ExprPtr &term) {
        if (term->kind == chain->kind)
            chain->terms += term->terms;
        else
            chain->terms.append(term);
    };
    add(first);
    while (atKeyword(keyword)) {
        ++m_pos;
        ExprPtr term;
        if (!(this->*operand)(&term))
            return false;
        add(term);
    }
    *out = chain;
    return true;
}

bool Parser::parseOr(ExprPtr *out)
{
    if (!enter())
        return false;
    if (!parseChain(out, "or", Expr::Or, &Parser::parseAnd))
        return false;
    leave();
    return true;
}

bool Parser::parseAnd(ExprPtr *out)
{
    return parseChain(out, "and", Expr::And, &Parser::parseNot);
}

bool Parser::parseNot(ExprPtr *out)
{
    if (atKeyword("not")) {
        const int pos = next().position;
        if (!enter())
            return false;
        ExprPtr inner;
        if (!parseNot(&inner))
            return false;
        leave();
        auto e = std::make_shared<Expr>();
        e->kind = Expr::Not;
        e->left = inner;
        e->position = pos;
        *out = e;
        return true;
    }
    return parsePredicate(out);
}

bool Parser::parsePredicate(ExprPtr *out)
{
    // A group in parentheses is counted by the conditions inside it. Worded for the reader: a
    // verse search with very many words ends here.
    if (!atSymbol("(") && ++m_conditions > kMaxConditions)
        return fail(QStringLiteral("Upit ima previše uslova: najviše ih može biti %1 "
                                   "(pri traženju ajeta svaka riječ je jedan uslov).")
                        .arg(kMaxConditions));
    ExprPtr left;
    if (!parseOperand(&left))
        return false;
    const Token &t = peek();
    auto make = [&](Expr::Kind kind) {
        auto e = std::make_shared<Expr>();
        e->kind = kind;
        e->left = left;
        e->position = t.position;
        return e;
    };
    if (t.kind == Token::Symbol) {
        static const std::pair<const char *, Expr::Op> ops[] = {{"=", Expr::Eq},  {"<>", Expr::Ne},
                                                                {"<=", Expr::Le}, {">=", Expr::Ge},
                                                                {"<", Expr::Lt},  {">", Expr::Gt}};
        for (const auto &[sym, op] : ops) {
            if (t.text == QLatin1String(sym)) {
                ++m_pos;
                auto e = make(Expr::Compare);
                e->op = op;
                if (!parseOperand(&e->right))
                    return false;
                *out = e;
                return true;
            }
        }
        if (t.text == QLatin1String("!="))
            return fail(tr("Sintaksna greška kod \"!=\" na mjestu %1: Jet piše <>.").arg(t.position + 1));
        if (t.text == QLatin1String("+") || t.text == QLatin1String("-") || t.text == QLatin1String("*") ||
            t.text == QLatin1String("/") || t.text == QLatin1String("&") || t.text == QLatin1String("\\") ||
            t.text == QLatin1String("^"))
            return fail(tr("Računske operacije (\"%1\" na mjestu %2) nisu podržane.")
                            .arg(t.text)
                            .arg(t.position + 1));
    }
    if (t.isKeyword("like") || (t.isKeyword("not") && atKeyword("like", 1))) {
        auto e = make(Expr::Like);
        if (acceptKeyword("not"))
            e->negated = true;
        ++m_pos; // LIKE
        if (!parseOperand(&e->right))
            return false;
        *out = e;
        return true;
    }
    if (t.isKeyword("is")) {
        ++m_pos;
        auto e = make(Expr::IsNull);
        if (acceptKeyword("not"))
            e->negated = true;
        if (!acceptKeyword("null"))
            return fail(tr("Sintaksna greška: iza IS mora doći NULL ili NOT NULL."));
        *out = e;
        return true;
    }
    if (!checkUnsupportedWord(t))
        return false;
    *out = left;
    return true;
}

bool Parser::parseOperand(ExprPtr *out)
{
    const Token &t = peek();
    auto e = std::make_shared<Expr>();
    e->position = t.position;
    switch (t.kind) {
    case Token::End:
        return fail(tr("Sintaksna greška: tekst upita završava se prerano."));
    case Token::String:
        ++m_pos;
        e->kind = Expr::Literal;
        e->value = Value::fromText(t.text);
        *out = e;
        return true;
    case Token::Number: {
        ++m_pos;
        e->kind = Expr::Literal;
        bool ok = false;
        const bool whole = !t.text.contains(u'.') && !t.text.contains(u'e', Qt::CaseInsensitive);
        if (whole) {
            const qint64 v = t.text.toLongLong(&ok);
            if (ok)
                e->value = Value::fromInteger(v);
        }
        if (!ok) {
            const double d = t.text.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(tr("Broj %1 je izvan dozvoljenog opsega.").arg(t.text));
            e->value = Value::fromReal(d);
        }
        *out = e;
        return true;
    }
    case Token::Symbol:
        if (t.text == QLatin1String("(")) {
            if (atKeyword("select", 1))
                return fail(tr("Podupiti nisu podržani."));
            ++m_pos;
            if (!enter())
                return false;
            if (!parseOr(out))
                return false;
            leave();
            if (!acceptSymbol(")"))
                return atSymbol(",") ? fail(tr("Liste IN nisu podržane.")) : failNear(peek());
            return true;
        }
        if ((t.text == QLatin1String("-") || t.text == QLatin1String("+")) && peek(1).kind == Token::Number) {
            const bool minus = t.text == QLatin1String("-");
            ++m_pos;
            if (!parseOperand(out))
                return false;
            Value &v = (*out)->value;
            if (minus) {
                if (v.kind == Value::Integer)
                    v.i = -v.i;
                else
                    v.r = -v.r;
            }
            (*out)->position = e->position;
            return true;
        }
        return failNear(t);
    case Token::Name:
        if (t.isKeyword("true") || t.isKeyword("yes") || t.isKeyword("false") || t.isKeyword("no")) {
            ++m_pos;
            e->kind = Expr::Literal;
            e->boolean = true;
            e->value = Value::fromInteger((t.isKeyword("true") || t.isKeyword("yes")) ? -1 : 0);
            *out = e;
            return true;
        }
        if (t.isKeyword("null")) {
            ++m_pos;
            e->kind = Expr::Literal;
            *out = e;
            return true;
        }
        if (t.isKeyword("select"))
            return fail(tr("Podupiti nisu podržani."));
        if (isReservedWord(t.text)) {
            if (!checkUnsupportedWord(t))
                return false;
            return failNear(t);
        }
        if (atSymbol("(", 1))
            return fail(tr("Funkcije nisu podržane: %1().").arg(t.text));
        [[fallthrough]];
    case Token::BracketName:
        ++m_pos;
        e->kind = Expr::Column;
        e->name = t.text;
        if (atSymbol(".")) {
            ++m_pos;
            e->qualifier = e->name;
            if (!parseName(&e->name, "ime kolone"))
                return false;
        } else if (atSymbol("!")) {
            return fail(tr("Operator \"!\" nije podržan; pišite tabela.kolona."));
        }
        *out = e;
        return true;
    }
    return failNear(t);
}

} // namespace

bool parseSelect(const QString &text, SelectStatement *out, QString *error)
{
    QList<Token> tokens;
    QString err;
    if (!tokenize(text, &tokens, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Parser p(std::move(tokens));
    SelectStatement s;
    if (!p.parseStatement(&s)) {
        if (error)
            *error = p.error;
        return false;
    }
    *out = std::move(s);
    return true;
}

bool parseCondition(const QString &text, ExprPtr *out, QString *error)
{
    QList<Token> tokens;
    QString err;
    if (!tokenize(text, &tokens, &err)) {
        if (error)
            *error = err;
        return false;
    }
    Parser p(std::move(tokens));
    if (!p.parseConditionOnly(out)) {
        if (error)
            *error = p.error;
        return false;
    }
    return true;
}

} // namespace velmora::data::jet
