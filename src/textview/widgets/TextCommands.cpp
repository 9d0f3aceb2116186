#include "textview/widgets/TextCommands.h"

#include "textview/ReadingPlace.h"
#include "textview/widgets/ComboSupport.h"
#include "textview/widgets/RichTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>

namespace velmora {

namespace {
constexpr int kSmallestSize = 6;
constexpr int kLargestSize = 26;

// The ayah when the view's selection is exactly one whole ayah paragraph.
std::optional<AyahRef> selectedWholeAyah(const RichTextView *view)
{
    const int length = view->selLength();
    if (length <= 0)
        return std::nullopt;
    return wholeAyahSelected(view->text(), view->selStart(), length);
}

// Takes the copy keys of a view for a selection of one whole ayah.
class QuotedCopyKeys : public QObject {
public:
    explicit QuotedCopyKeys(RichTextView *view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy) && selectedWholeAyah(m_view)) {
            copySelectionWithReference(m_view);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    RichTextView *m_view;
};
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

bool copySelectionWithReference(RichTextView *view)
{
    if (!view)
        return false;
    const auto ayah = selectedWholeAyah(view);
    if (!ayah) {
        copySelection(view);
        return false;
    }
    QString text = view->selText();
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text + QLatin1Char(' ') + quotedReference(storedSurahName(ayah->surah), *ayah));
    return true;
}

void installQuotedCopyKeys(RichTextView *view)
{
    if (view)
        view->installEventFilter(new QuotedCopyKeys(view));
}

} // namespace velmora
