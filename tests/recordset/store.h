#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// A small store with the schema of the program's data, written with SQLite directly, and an
// independent reader used to work out what a query must return.
namespace teststore {

struct Surah {
    int number;
    QString arabic;
    QString name;
    int ayahs;
};

QList<Surah> surahs();
QString ayahText(int surah, int ayah);
// Topics in the order VetemTemat holds them.
QStringList topics();

bool build(const QString &path, QString *error);

// Rows of a plain SQLite query, every value as text (NULL as empty), read without the
// program's data layer.
QList<QStringList> rawRows(const QString &path, const QString &sql, const QVariantList &params = {},
                           QString *error = nullptr);

// The default store made by set-up, when it exists.
QString defaultStore();

// A Jet LIKE pattern as a regular expression, written independently of the program's matcher.
QString likeToRegex(const QString &pattern, bool *ok);

} // namespace teststore
