#include "textview/RtfFormats.h"

namespace velmora::rtf {

QTextCharFormat makeCharFormat(const CharProps &p, const Font &font, const QList<QColor> &colors)
{
    QTextCharFormat f;
    if (!font.name.isEmpty()) {
        f.setFontFamilies(QStringList{font.name});
        if (font.hint != QFont::AnyStyle)
            f.setFontStyleHint(font.hint);
    }
    f.setFontPointSize(p.halfPoints / 2.0);
    f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(p.italic);
    f.setFontUnderline(p.underline);
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.color >= 0 && p.color < colors.size() && colors.at(p.color).isValid())
        f.setForeground(colors.at(p.color));
    if (p.background > 0 && p.background < colors.size() && colors.at(p.background).isValid())
        f.setBackground(colors.at(p.background));
    if (p.vAlign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (p.vAlign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return f;
}

QTextBlockFormat makeBlockFormat(const ParaProps &p)
{
    QTextBlockFormat b;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    b.setAlignment(aligns[qBound(0, p.align, 3)]);
    if (p.left)
        b.setLeftMargin(px(p.left));
    if (p.right)
        b.setRightMargin(px(p.right));
    if (p.first)
        b.setTextIndent(px(p.first));
    if (p.before)
        b.setTopMargin(px(p.before));
    if (p.after)
        b.setBottomMargin(px(p.after));
    if (p.lineSpacing > 0 && p.lineMultiple)
        b.setLineHeight(p.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing > 0)
        b.setLineHeight(px(p.lineSpacing), QTextBlockFormat::MinimumHeight);
    else if (p.lineSpacing < 0)
        b.setLineHeight(px(-p.lineSpacing), QTextBlockFormat::FixedHeight);
    if (!p.tabs.isEmpty())
        b.setTabPositions(p.tabs);
    if (p.rtl)
        b.setLayoutDirection(Qt::RightToLeft);
    return b;
}

} // namespace velmora::rtf
