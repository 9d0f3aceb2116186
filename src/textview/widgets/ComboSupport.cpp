#include "textview/widgets/ComboSupport.h"

#include <QCollator>
#include <QComboBox>
#include <QLineEdit>
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

QStringList sortedForList(QStringList items)
{
    QCollator collator(QLocale(QLocale::Bosnian, QLocale::LatinScript, QLocale::BosniaAndHerzegowina));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return items;
}

} // namespace velmora
