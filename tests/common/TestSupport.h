#pragma once

#include <QAbstractItemView>
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
// Clicks the item at `index` of a list or tree, scrolled into sight first (a tree opens its
// parents on the way).
void clickItem(QAbstractItemView *view, const QModelIndex &index);
// Shows the window of `widget`, makes it the active window and waits until it is.
bool showActive(QWidget *widget);

// Builds the main window's parts, loads it as the program starts (no splash) and shows it
// active, as a reader finds it.
bool startMainWindow(MainWindow &window);

// A verse search as a reader makes it: a click into the search box, the words typed (Latin-1),
// Enter; true once the listing of `words` is shown and the search is in the history.
bool searchAsReader(MainWindow &window, const QString &words, int timeoutMs = 10000);

// A right click on the main text at its caret (at the middle of the view when the caret is out
// of sight) opens the popup menu; a click on the item named `item` chooses it. `whileOpen` runs
// inside the modal window the item opens, from that window's own event loop.
void chooseFromPopup(MainWindow &window, const QString &item, const std::function<void()> &whileOpen = {});

// Points the data folder at the default data made by set-up; false when it is not there.
bool useDefaultData();

// Runs the event loop until `done` is true or `timeoutMs` passes; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

// The first visible top-level window of type T (with that object name, when one is given).
template <typename T> T *shownWindow(const QString &name = QString())
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *t = qobject_cast<T *>(w);
        if (t && t->isVisible() && (name.isEmpty() || t->objectName() == name))
            return t;
    }
    return nullptr;
}

// The translation of an ayah as the store of the data folder holds it; empty when there is none.
QString ayahText(int surah, int ayah);
// Start of the paragraph of `text` that begins with `marker` ("2:255." and a tab); -1 for none.
int paragraphOf(const QString &text, const QString &marker);
// Copies the named files of the default data into `dir`.
bool copyDefaultData(const QString &dir, const QStringList &names);

// Whole files and folders.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
QStringList entries(const QString &dir); // hidden ones included

// Runs `program` (waiting at most `timeoutMs`); its exit code, -1 when it hung or crashed, and
// its output: both channels in `out` when `merged`, otherwise standard error in `err`.
struct ProgramRun {
    int code = -1;
    QString out, err;
};
ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000,
                      bool merged = true);

// HOME and the XDG data and config folders of the test inside `home`, so that the reader's own
// recitation sets and settings stay untouched.
void useOwnHome(const QString &home);

} // namespace velmora::test
