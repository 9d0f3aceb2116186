#pragma once

#include "textview/Bookmarks.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace velmora {

// The window "Zabilješke" (frmZabiljeske): the reader's bookmarks, the most recent first, one
// row each with the reference (2:255), the surah's name, the first words of the ayah and the
// date it was marked. "Otvori" (or Enter, or a double click on a row) closes the window with
// that ayah chosen; "Obriši" (or Delete) removes the bookmark from the settings store at once;
// "Zatvori" (or Escape) closes it. A bookmark of an ayah that the store does not hold is
// damaged and not listed.
class BookmarksWindow : public QDialog {
    Q_OBJECT
public:
    explicit BookmarksWindow(QWidget *parent = nullptr);

    // The ayah chosen with "Otvori"; nothing when the window was closed otherwise.
    std::optional<AyahRef> chosen() const { return m_chosen; }

    QTreeWidget *list() const { return m_list; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void openCurrent();
    void deleteCurrent();
    void updateButtons();

    QTreeWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    std::optional<AyahRef> m_chosen;
};

} // namespace velmora
