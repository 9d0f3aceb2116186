#include "textview/widgets/TextCommands.h"

#include "textview/widgets/ComboSupport.h"
#include "textview/widgets/RichTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>

namespace velmora {

namespace {
constexpr int kSmallestSize = 6;
constexpr int kLargestSize = 26;
} // namespace

void addNrFontToCombo(QComboBox *combo)
{
    if (!combo)
        return;
    QStringList sizes;
    for (int size = kSmallestSize; size <= kLargestSize; ++size)
        sizes.append(QString::number(size));
    // Appended to what the list holds; the field keeps its text ("10" at start-up).
    const QString text = combo->currentText();
    combo->addItems(sizes);
    combo->setEditText(text);
}

void addFontToCombo(QComboBox *combo)
{
    if (!combo)
        return;
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names.append(combo->itemText(i));
    names.append(QFontDatabase::families());
    fillCombo(combo, sortedForList(names));
    fitListToEntries(combo);
    combo->setEditText(QStringLiteral("Verdana"));
}

void selectWholeText(RichTextView *view)
{
    if (!view)
        return;
    view->setSelStart(0);
    view->setSelLength(view->textLength());
}

void applyFontName(RichTextView *view, const QString &family)
{
    if (!view || family.isEmpty())
        return;
    selectWholeText(view);
    view->setSelFontName(family);
    view->setSelStart(0);
}

void applyFontSize(RichTextView *view, const QString &pointsText)
{
    if (!view)
        return;
    bool ok = false;
    const double points = pointsText.trimmed().toDouble(&ok);
    if (!ok || points <= 0)
        return;
    selectWholeText(view);
    view->setSelFontSize(points);
    view->setSelStart(0);
}

void copySelection(RichTextView *view)
{
    if (!view)
        return;
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(view->selText());
}

} // namespace velmora
