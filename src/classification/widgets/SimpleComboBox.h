#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;

namespace velmora {

class ItemClickSignal;

// A simple combo box: an edit field above a list that is always open. Selecting an item of
// the list (mouse, or the arrow keys in the list or in the edit field) puts its text into
// the edit field and gives a click. Typing in the edit field highlights the first item that
// begins with the typed text without a click; Enter gives a click with the text as typed.
class SimpleComboBox : public QWidget {
    Q_OBJECT
public:
    explicit SimpleComboBox(QWidget *parent = nullptr);

    void addItem(const QString &text);
    void clear();
    int count() const;
    QString itemText(int index) const;
    // The current text: the edit field's.
    QString text() const;
    void setText(const QString &text);
    // The list's selected item, -1 when none.
    int currentIndex() const;
    // Selects an item and shows its text, without a click.
    void setCurrentIndex(int index);

    QLineEdit *lineEdit() const { return m_edit; }
    QListWidget *listWidget() const { return m_list; }

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutParts();
    void takeListItem();
    void highlightPrefix(const QString &typed);

    QLineEdit *m_edit;
    QListWidget *m_list;
    ItemClickSignal *m_listClick;
};

} // namespace velmora
