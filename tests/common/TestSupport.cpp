#include "TestSupport.h"

#include "data/DataFolder.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>

namespace velmora::test {

MessageBoxAnswerer::MessageBoxAnswerer(QObject *parent) : QObject(parent)
{
    auto *timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer->start();
}

void MessageBoxAnswerer::answer(QMessageBox::StandardButton button)
{
    m_queue.append(button);
}

void MessageBoxAnswerer::poll()
{
    if (m_queue.isEmpty())
        return;
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        // Offscreen windows are not always made active: look for any visible message box.
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget *w : tops) {
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible()) {
                box = b;
                break;
            }
        }
    }
    if (!box)
        return;
    QAbstractButton *b = box->button(m_queue.first());
    if (!b)
        return;
    m_queue.removeFirst();
    texts.append(box->text());
    b->click();
}

bool useDefaultData()
{
    const QString dir = QStringLiteral(VELMORA_TEST_DATA_DIR);
    if (!DataFolder::holdsData(dir))
        return false;
    DataFolder::setPath(dir);
    return true;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace velmora::test
