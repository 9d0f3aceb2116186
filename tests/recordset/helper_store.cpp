#include "store.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

namespace teststore {

QList<Surah> surahs()
{
    return {
        {1, QStringLiteral("al-Fatiha"), QStringLiteral("Fatiha"), 7},
        {2, QStringLiteral("al-Baqara"), QStringLiteral("Bekare"), 286},
        {3, QStringLiteral("Al Imran"), QStringLiteral("Ali-'Imran"), 200},
        {12, QStringLiteral("Yusuf"), QStringLiteral("Jusuf"), 111},
        {20, QStringLiteral("Ta-Ha"), QStringLiteral("Ta-Ha"), 135},
        {22, QStringLiteral("al-Hajj"), QStringLiteral("Hadž"), 78},
        {103, QStringLiteral("al-Asr"), QStringLiteral("El-Asr"), 3},
        {107, QStringLiteral("al-Maun"), QStringLiteral("El-Ma'un"), 7},
        {108, QStringLiteral("al-Kawthar"), QStringLiteral("El-Kevser"), 3},
        {110, QStringLiteral("an-Nasr"), QStringLiteral("En-Nasr"), 3},
    };
}

QString ayahText(int surah, int ayah)
{
    struct Special {
        int s, a;
        const char *text;
    };
    static const Special specials[] = {
        {1, 1, "U ime Allaha, Milostivog, Samilosnog!"},
        {1, 2, "Hvala Allahu, Gospodaru svjetova,"},
        {2, 1, "Elif Lam Mim."},
        {2, 30, "I kada Gospodar tvoj reče melekima: \"Ja ću na Zemlji namjesnika postaviti!\" Čovjek."},
        {2, 255, "Allah je – nema boga osim Njega – Živi i Vječni! Njega ni drijemež ni san ne obuzimaju!"},
        {3, 1, "Elif Lam Mim."},
        {12, 2, "Mi ga objavljujemo kao Kur'an na arapskom jeziku, da biste razumjeli."},
        {20, 30, "Haruna, brata moga."},
        {20, 70, "I čarobnjaci padoše licem na tle govoreći: Vjerujemo u Gospodara Haruna i Musaa!"},
        {20, 92, "Musa reče: 'O Harune, šta te je spriječilo, kada si vidio da su zalutali,"},
        {22, 5, "O ljudi, ako sumnjate u oživljenje, pa Mi smo vas stvorili od zemlje; čovjek"},
        {103, 1, "Tako mi vremena,"},
    };
    for (const Special &sp : specials) {
        if (sp.s == surah && sp.a == ayah)
            return QString::fromUtf8(sp.text);
    }
    return QStringLiteral("Ajet %1 sure %2.").arg(ayah).arg(surah);
}

QStringList topics()
{
    return {QStringLiteral("Allahova jednoća"), QStringLiteral("Čovjek"), QStringLiteral("Dova"),
            QStringLiteral("Kur'an"),           QStringLiteral("Musa"),   QStringLiteral("Vjerovanje")};
}

namespace {

bool exec(sqlite3 *db, const char *sql, QString *error)
{
    char *msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        *error = QString::fromUtf8(msg);
        sqlite3_free(msg);
        return false;
    }
    return true;
}

bool insert(sqlite3 *db, const char *sql, const QVariantList &values, QString *error)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    for (int k = 0; k < values.size(); ++k) {
        const QVariant &v = values[k];
        if (v.isNull()) {
            sqlite3_bind_null(st, k + 1);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(st, k + 1, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(st, k + 1, v.toDouble());
        } else {
            const QByteArray t = v.toString().toUtf8();
            sqlite3_bind_text(st, k + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

} // namespace

bool build(const QString &path, QString *error)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    bool ok = exec(db,
                   "BEGIN;"
                   "CREATE TABLE sure (Numri INTEGER NOT NULL, EmriArapisht TEXT, EmriBoshnjakisht TEXT,"
                   " \"Nr i ajeteve\" INTEGER);"
                   "CREATE UNIQUE INDEX numri ON sure(Numri);"
                   "CREATE INDEX emriboshnjakisht ON sure(EmriBoshnjakisht);"
                   "CREATE INDEX \"nr i ajeteve\" ON sure(\"Nr i ajeteve\", Numri);"
                   "CREATE TABLE kuran (nrsure INTEGER NOT NULL, nrajet INTEGER NOT NULL, tekstajet TEXT,"
                   " tekstarapski TEXT, tefsir TEXT);"
                   "CREATE UNIQUE INDEX kuran_mjesto ON kuran(nrsure, nrajet);"
                   "CREATE TABLE klasifikim (nrsure INTEGER, emrsure TEXT, ajetet TEXT, tema TEXT);"
                   "CREATE TABLE KreuMeTema (NrKreu INTEGER, EmriKreu TEXT, NrTema INTEGER, Tema TEXT);"
                   "CREATE TABLE VetemTemat (Tema TEXT);"
                   // Tables only the tests use: shuffled rows, a descending index, Access names.
                   "CREATE TABLE proba (id INTEGER, ime TEXT, broj REAL, x);"
                   "CREATE INDEX proba_id ON proba(id);"
                   "CREATE INDEX proba_ime_desc ON proba(ime DESC);"
                   "CREATE TABLE velmora_indexes (tbl TEXT, name TEXT, sqlite_name TEXT);"
                   "CREATE VIEW TemeSure AS SELECT tema, nrsure FROM klasifikim;",
                   error);
    for (const Surah &s : surahs()) {
        ok = ok &&
             insert(db, "INSERT INTO sure VALUES (?,?,?,?)", {s.number, s.arabic, s.name, s.ayahs}, error);
        for (int a = 1; ok && a <= s.ayahs; ++a) {
            const QVariant tefsir =
                (a == 1) ? QVariant(QStringLiteral("Tefsir %1:1").arg(s.number)) : QVariant();
            ok = insert(db, "INSERT INTO kuran VALUES (?,?,?,?,?)",
                        {s.number, a, ayahText(s.number, a), QStringLiteral("آية"), tefsir}, error);
        }
    }
    const QList<QVariantList> klasifikim = {
        {2, QStringLiteral("Bekare"), QStringLiteral("255"), QStringLiteral("Allahova jednoća")},
        {1, QStringLiteral("Fatiha"), QStringLiteral("1-7"), QStringLiteral("Dova")},
        {2, QStringLiteral("Bekare"), QStringLiteral("1-5,8"), QStringLiteral("Vjerovanje")},
        {20, QStringLiteral("Ta-Ha"), QStringLiteral("9-11,70"), QStringLiteral("Musa")},
        {2, QStringLiteral("Bekare"), QStringLiteral("30"), QStringLiteral("Čovjek")},
        {22, QStringLiteral("Hadž"), QStringLiteral("5"), QStringLiteral("Čovjek")},
        {12, QStringLiteral("Jusuf"), QStringLiteral("2"), QStringLiteral("Kur'an")},
        {3, QStringLiteral("Ali-'Imran"), QStringLiteral("1"), QStringLiteral("Riječ \"Elif\"")},
    };
    for (const QVariantList &row : klasifikim)
        ok = ok && insert(db, "INSERT INTO klasifikim VALUES (?,?,?,?)", row, error);
    const QList<QVariantList> kreu = {
        {1, QStringLiteral("Vjera"), 1, QStringLiteral("Allahova jednoća")},
        {1, QStringLiteral("Vjera"), 2, QStringLiteral("Vjerovanje")},
        {2, QStringLiteral("Ljudi"), 1, QStringLiteral("Čovjek")},
        {2, QStringLiteral("Ljudi"), 2, QStringLiteral("Musa")},
        {3, QStringLiteral("Knjiga"), 1, QStringLiteral("Kur'an")},
        {3, QStringLiteral("Knjiga"), 2, QStringLiteral("Dova")},
    };
    for (const QVariantList &row : kreu)
        ok = ok && insert(db, "INSERT INTO KreuMeTema VALUES (?,?,?,?)", row, error);
    for (const QString &t : topics())
        ok = ok && insert(db, "INSERT INTO VetemTemat VALUES (?)", {t}, error);
    const QList<QVariantList> proba = {
        {5, QStringLiteral("beta"), 2.5, QVariant()}, {2, QStringLiteral("Alfa"), 7.0, QStringLiteral("t")},
        {9, QStringLiteral("ČAJ"), 1.0, 42},          {2, QStringLiteral("alfa2"), -0.25, QVariant()},
        {1, QStringLiteral("čaj"), 3.0, QVariant()},
    };
    for (const QVariantList &row : proba)
        ok = ok && insert(db, "INSERT INTO proba VALUES (?,?,?,?)", row, error);
    ok = ok && exec(db,
                    "INSERT INTO velmora_indexes VALUES ('Proba','PrimaryKey','proba_id');"
                    "INSERT INTO velmora_indexes VALUES ('proba','ImeSilazno','proba_ime_desc');"
                    "COMMIT;",
                    error);
    sqlite3_close(db);
    return ok;
}

QList<QStringList> rawRows(const QString &path, const QString &sql, const QVariantList &params,
                           QString *error)
{
    QList<QStringList> rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *st = nullptr;
    const QByteArray q = sql.toUtf8();
    if (sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rows;
    }
    for (int k = 0; k < params.size(); ++k) {
        if (params[k].typeId() == QMetaType::Int || params[k].typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(st, k + 1, params[k].toLongLong());
        } else {
            const QByteArray t = params[k].toString().toUtf8();
            sqlite3_bind_text(st, k + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_FLOAT) {
                const double v = sqlite3_column_double(st, c);
                row << (v == qint64(v) ? QString::number(qint64(v)) : QString::number(v, 'g', 15));
            } else {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                row << (p ? QString::fromUtf8(p, sqlite3_column_bytes(st, c)) : QString());
            }
        }
        rows << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

QString defaultStore()
{
    const QString path = QStringLiteral(VELMORA_TEST_DATA_DIR "/Bazabos.db");
    return QFileInfo::exists(path) ? path : QString();
}

QString likeToRegex(const QString &pattern, bool *ok)
{
    QString rx = QStringLiteral("^");
    *ok = true;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            rx += QStringLiteral(".*");
        } else if (c == u'?') {
            rx += QLatin1Char('.');
        } else if (c == u'#') {
            rx += QStringLiteral("[0-9]");
        } else if (c == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 1);
            if (close < 0) {
                *ok = false;
                return QString();
            }
            QString body = pattern.mid(i + 1, close - i - 1);
            i = close;
            if (body.isEmpty())
                continue;
            QString cls = QStringLiteral("[");
            if (body.startsWith(u'!')) {
                cls += QLatin1Char('^');
                body.remove(0, 1);
            }
            for (const QChar b : body)
                cls += (b == u'-') ? QString(b) : QRegularExpression::escape(QString(b));
            rx += cls + QLatin1Char(']');
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return rx + QLatin1Char('$');
}

} // namespace teststore
