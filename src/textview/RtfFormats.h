#pragma once

// The character and paragraph properties an RTF text sets, and the Qt formats they become.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextOption>

namespace velmora::rtf {

struct CharProps {
    int font = -1; // -1: the default font (\deff)
    int halfPoints = 24;
    int color = 0;
    int background = 0;
    quint8 vAlign = 0; // 0 normal, 1 superscript, 2 subscript
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;

    bool operator==(const CharProps &o) const
    {
        return font == o.font && halfPoints == o.halfPoints && color == o.color &&
               background == o.background && vAlign == o.vAlign && bold == o.bold && italic == o.italic &&
               underline == o.underline && strike == o.strike && hidden == o.hidden;
    }
};

inline size_t qHash(const CharProps &p, size_t hashSeed = 0)
{
    return qHashMulti(hashSeed, p.font, p.halfPoints, p.color, p.background, p.vAlign, p.bold, p.italic,
                      p.underline, p.strike);
}

struct ParaProps {
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int left = 0;  // twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool rtl = false;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;

    bool operator==(const ParaProps &o) const
    {
        return align == o.align && left == o.left && right == o.right && first == o.first &&
               before == o.before && after == o.after && lineSpacing == o.lineSpacing &&
               lineMultiple == o.lineMultiple && rtl == o.rtl && tabs == o.tabs;
    }
};

struct Font {
    QString name;
    int charset = -1;
    int cpg = 0;
    QFont::StyleHint hint = QFont::AnyStyle;
};

// Twips (1/1440 inch) to document pixels at 96 dots per inch.
inline qreal px(int twips)
{
    return twips / 15.0;
}

// The format of text with the properties `p` in the font `font` (the default font when the
// text names none), its colours numbered as in the colour table `colors`.
QTextCharFormat makeCharFormat(const CharProps &p, const Font &font, const QList<QColor> &colors);
QTextBlockFormat makeBlockFormat(const ParaProps &p);

} // namespace velmora::rtf
