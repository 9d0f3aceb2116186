#include "textview/widgets/ComboSupport.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

namespace velmora {

void activateOnPickOnly(QComboBox *combo)
{
    if (QLineEdit *edit = combo->lineEdit())
        QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
}

void fillCombo(QComboBox *combo, const QStringList &items)
{
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(items);
    if (combo->isEditable())
        combo->setEditText(text);
}

void fitListToEntries(QComboBox *combo)
{
    QAbstractItemView *view = combo->view();
    // The widest entry as the list draws it (text and the item's margins), plus the list's
    // frame and its vertical scroll bar.
    const int frame = 2 * view->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, view);
    const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    view->setMinimumWidth(view->sizeHintForColumn(0) + frame + scrollBar);
}

QStringList sortedForList(QStringList items)
{
    QCollator collator(QLocale(QLocale::Bosnian, QLocale::LatinScript, QLocale::BosniaAndHerzegowina));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return items;
}

} // namespace velmora
