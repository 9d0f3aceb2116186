#pragma once

#include <QObject>

class QAbstractItemView;

namespace velmora {

// The Click event of a list or tree as the program's handlers expect it: once when the
// reader selects an item with the mouse or the arrow keys, also when the mouse clicks the
// item that is already selected. Changes the program makes itself (filling, clearing,
// selecting the first line) are made inside a Mute and give no click.
class ItemClickSignal : public QObject {
    Q_OBJECT
public:
    explicit ItemClickSignal(QAbstractItemView *view);

    class Mute {
    public:
        explicit Mute(ItemClickSignal *signal) : m_signal(signal), m_was(signal->m_muted)
        {
            m_signal->m_muted = true;
        }
        ~Mute() { m_signal->m_muted = m_was; }
        Mute(const Mute &) = delete;
        Mute &operator=(const Mute &) = delete;

    private:
        ItemClickSignal *m_signal;
        bool m_was;
    };

signals:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QObject *m_viewport; // compared with, never called: it may be going away
    bool m_muted = false;
    bool m_changedSincePress = false;
};

} // namespace velmora
