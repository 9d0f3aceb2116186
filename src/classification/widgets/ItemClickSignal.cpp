#include "classification/widgets/ItemClickSignal.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QItemSelectionModel>

namespace velmora {

ItemClickSignal::ItemClickSignal(QAbstractItemView *view) : QObject(view), m_viewport(view->viewport())
{
    m_viewport->installEventFilter(this);
    // A new current item (mouse press or arrow keys) is a click.
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                if (m_muted || !current.isValid())
                    return;
                m_changedSincePress = true;
                emit clicked();
            });
    // A click on the item that was already current changes nothing above: it is a click too.
    connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (m_muted || !index.isValid() || m_changedSincePress)
            return;
        emit clicked();
    });
}

bool ItemClickSignal::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport still sends events while the view is being destroyed (this object, its
    // child, goes last), so the view itself is not asked for anything here.
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        watched == m_viewport)
        m_changedSincePress = false;
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
