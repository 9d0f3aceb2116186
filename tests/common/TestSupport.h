#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace velmora {
class MainWindow;
}

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
//
// A message box that opens while no answerer has an answer queued is one no test asked for:
// every test program with widgets closes it at once and fails the running test, naming the
// box's text (see unexpectedBoxes()), instead of waiting on a box that nobody answers.
class MessageBoxAnswerer : public QObject {
    Q_OBJECT
public:
    explicit MessageBoxAnswerer(QObject *parent = nullptr);
    ~MessageBoxAnswerer() override;
    void answer(QMessageBox::StandardButton button);
    QStringList texts; // texts of the boxes answered so far
    // Called with each box just before it is answered, to look at it.
    std::function<void(QMessageBox *)> inspect;
    int pending() const { return static_cast<int>(m_queue.size()); }
    // Whether any answerer alive has an answer queued.
    static bool anyPending();

private:
    void poll();
    QList<QMessageBox::StandardButton> m_queue;
};

// The texts of the message boxes that opened unasked in this test program, in order.
const QStringList &unexpectedBoxes();

// Keys and clicks as a reader gives them: handed to the window system's entry point of the
// window, so that Qt delivers a key to the widget that has the focus and a click to the
// widget under the pointer, with the focus changes a real click brings.
void pressKey(QWidget *inWindow, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void typeText(QWidget *inWindow, const QString &latin1Text);
// Clicks `control` at `pos` (its own coordinates; its centre when null).
void clickAt(QWidget *control, QPoint pos = QPoint(), Qt::MouseButton button = Qt::LeftButton);
// Shows the window of `widget`, makes it the active window and waits until it is.
bool showActive(QWidget *widget);

// Builds the main window's parts, loads it as the program starts (no splash) and shows it
// active, as a reader finds it.
bool startMainWindow(MainWindow &window);

// Points the data folder at the default data made by set-up; false when it is not there.
bool useDefaultData();

// Runs the event loop until `done` is true or `timeoutMs` passes; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

} // namespace velmora::test
