#include "rtfplain.h"

#include <QList>
#include <QStringDecoder>

namespace {
struct GroupState {
    bool skip = false;
    int unicodeSkip = 1;
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
} // namespace

QString rtfPlainText(const QByteArray &rtf, QString *error)
{
    error->clear();
    QStringDecoder cp1250("windows-1250");
    if (!cp1250.isValid()) {
        *error = QStringLiteral("no windows-1250 decoder");
        return {};
    }
    QString out;
    QList<GroupState> stack{GroupState{}};
    int pendingSkip = 0;
    bool groupStart = false;
    auto emitText = [&](const QString &s) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!stack.last().skip)
            out += s;
    };
    const qsizetype n = rtf.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = rtf.at(i);
        if (c == '{') {
            stack.append(stack.last());
            groupStart = true;
            continue;
        }
        if (c == '}') {
            if (stack.size() <= 1) {
                *error = QStringLiteral("unbalanced } at %1").arg(i);
                return out;
            }
            stack.removeLast();
            groupStart = false;
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            groupStart = false;
            emitText(QString(QLatin1Char(c)));
            continue;
        }
        if (i + 1 >= n) {
            *error = QStringLiteral("backslash at the end");
            return out;
        }
        const char next = rtf.at(i + 1);
        if (!isLetter(next)) {
            i += 1;
            const bool wasGroupStart = groupStart;
            groupStart = false;
            switch (next) {
            case '\\':
            case '{':
            case '}':
                emitText(QString(QLatin1Char(next)));
                break;
            case '\'': {
                if (i + 2 >= n) {
                    *error = QStringLiteral("cut \\' escape");
                    return out;
                }
                bool ok = false;
                const int byte = rtf.mid(i + 1, 2).toInt(&ok, 16);
                if (!ok) {
                    *error = QStringLiteral("bad \\' escape at %1").arg(i);
                    return out;
                }
                i += 2;
                emitText(cp1250.decode(QByteArray(1, char(byte))));
                break;
            }
            case '*':
                if (wasGroupStart)
                    stack.last().skip = true;
                break;
            case '~':
                emitText(QString(QChar(0xA0)));
                break;
            case '-':
            case '_':
                break;
            case '\r':
            case '\n':
                emitText(QStringLiteral("\r\n"));
                break;
            default:
                *error = QStringLiteral("unknown control symbol \\%1").arg(QLatin1Char(next));
                return out;
            }
            continue;
        }
        // A control word: letters, an optional signed number, an optional blank delimiter.
        qsizetype j = i + 1;
        while (j < n && isLetter(rtf.at(j)))
            ++j;
        const QByteArray word = rtf.mid(i + 1, j - i - 1);
        qsizetype k = j;
        if (k < n && (rtf.at(k) == '-' || (rtf.at(k) >= '0' && rtf.at(k) <= '9'))) {
            ++k;
            while (k < n && rtf.at(k) >= '0' && rtf.at(k) <= '9')
                ++k;
        }
        const bool hasNumber = k > j;
        const int number = hasNumber ? rtf.mid(j, k - j).toInt() : 0;
        if (k < n && rtf.at(k) == ' ')
            ++k;
        i = k - 1;
        const bool wasGroupStart = groupStart;
        groupStart = false;
        if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
            word == "pict" || word == "header" || word == "footer") {
            if (wasGroupStart)
                stack.last().skip = true;
        } else if (word == "par") {
            pendingSkip = 0;
            if (!stack.last().skip)
                out += QStringLiteral("\r\n");
        } else if (word == "tab") {
            emitText(QStringLiteral("\t"));
        } else if (word == "line") {
            emitText(QStringLiteral("\v"));
        } else if (word == "uc") {
            stack.last().unicodeSkip = number;
        } else if (word == "u") {
            if (!stack.last().skip) {
                const char16_t unit = char16_t(number < 0 ? number + 0x10000 : number);
                out += QChar(unit);
            }
            pendingSkip = stack.last().unicodeSkip;
        }
        // Every other control word only formats.
    }
    if (stack.size() != 1)
        *error = QStringLiteral("%1 groups left open").arg(stack.size() - 1);
    return out;
}
