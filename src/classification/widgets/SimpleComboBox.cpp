#include "classification/widgets/SimpleComboBox.h"

#include "classification/widgets/ItemClickSignal.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

namespace velmora {

SimpleComboBox::SimpleComboBox(QWidget *parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    // As in a simple combo box the keyboard stays in the edit field; its arrow keys move the
    // list's selection.
    m_list->setFocusPolicy(Qt::NoFocus);
    m_listClick = new ItemClickSignal(m_list);
    setFocusProxy(m_edit);
    m_edit->installEventFilter(this);

    connect(m_listClick, &ItemClickSignal::clicked, this, [this] {
        takeListItem();
        emit clicked();
    });
    connect(m_edit, &QLineEdit::textEdited, this, &SimpleComboBox::highlightPrefix);
    connect(m_edit, &QLineEdit::returnPressed, this, &SimpleComboBox::clicked);
    layoutParts();
}

void SimpleComboBox::addItem(const QString &text)
{
    ItemClickSignal::Mute mute(m_listClick);
    m_list->addItem(text);
}

void SimpleComboBox::clear()
{
    ItemClickSignal::Mute mute(m_listClick);
    m_list->clear();
}

int SimpleComboBox::count() const
{
    return m_list->count();
}

QString SimpleComboBox::itemText(int index) const
{
    const QListWidgetItem *item = m_list->item(index);
    return item ? item->text() : QString();
}

QString SimpleComboBox::text() const
{
    return m_edit->text();
}

void SimpleComboBox::setText(const QString &text)
{
    m_edit->setText(text);
}

int SimpleComboBox::currentIndex() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item && item->isSelected() ? m_list->row(item) : -1;
}

void SimpleComboBox::setCurrentIndex(int index)
{
    ItemClickSignal::Mute mute(m_listClick);
    m_list->setCurrentRow(index);
    if (index >= 0 && index < m_list->count())
        takeListItem();
}

void SimpleComboBox::takeListItem()
{
    if (const QListWidgetItem *item = m_list->currentItem()) {
        m_edit->setText(item->text());
        m_edit->selectAll();
    }
}

void SimpleComboBox::highlightPrefix(const QString &typed)
{
    ItemClickSignal::Mute mute(m_listClick);
    if (!typed.isEmpty()) {
        for (int i = 0; i < m_list->count(); ++i) {
            QListWidgetItem *item = m_list->item(i);
            if (item->text().startsWith(typed, Qt::CaseInsensitive)) {
                m_list->setCurrentItem(item);
                m_list->scrollToItem(item, QAbstractItemView::PositionAtTop);
                return;
            }
        }
    }
    m_list->clearSelection();
}

bool SimpleComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int step = 0;
        const int page = std::max(1, m_list->viewport()->height() / std::max(1, m_list->sizeHintForRow(0)));
        switch (key->key()) {
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Down:
            step = 1;
            break;
        case Qt::Key_PageUp:
            step = -page;
            break;
        case Qt::Key_PageDown:
            step = page;
            break;
        default:
            break;
        }
        if (step != 0 && key->modifiers() == Qt::NoModifier) {
            if (m_list->count() > 0) {
                const int row = currentIndex() < 0
                                    ? (step > 0 ? 0 : m_list->count() - 1)
                                    : std::clamp(m_list->currentRow() + step, 0, m_list->count() - 1);
                if (row != currentIndex()) {
                    {
                        ItemClickSignal::Mute mute(m_listClick);
                        m_list->setCurrentRow(row);
                    }
                    takeListItem();
                    emit clicked();
                }
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SimpleComboBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void SimpleComboBox::layoutParts()
{
    const int editHeight = m_edit->sizeHint().height();
    m_edit->setGeometry(0, 0, width(), editHeight);
    m_list->setGeometry(0, editHeight, width(), std::max(0, height() - editHeight));
}

} // namespace velmora
