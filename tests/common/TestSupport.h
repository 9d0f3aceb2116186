#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace velmora::test {

// The control called `name` under `root`; for a control array, the one with property
// "index" equal to `index`. nullptr when there is none.
template <typename T> T *byName(QObject *root, const QString &name, int index = -1)
{
    const QList<T *> all = root->findChildren<T *>(name);
    for (T *w : all) {
        if (index < 0 || w->property("index").toInt() == index)
            return w;
    }
    return nullptr;
}

// Answers the next message box that opens (modal, from inside a handler) with `button`, and
// records its text. Each call answers one box; several calls queue up in order.
class MessageBoxAnswerer : public QObject {
    Q_OBJECT
public:
    explicit MessageBoxAnswerer(QObject *parent = nullptr);
    void answer(QMessageBox::StandardButton button);
    QStringList texts; // texts of the boxes answered so far
    int pending() const { return static_cast<int>(m_queue.size()); }

private:
    void poll();
    QList<QMessageBox::StandardButton> m_queue;
};

// Points the data folder at the default data made by set-up; false when it is not there.
bool useDefaultData();

// Runs the event loop until `done` is true or `timeoutMs` passes; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

} // namespace velmora::test
