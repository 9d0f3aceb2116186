#pragma once

#include <QObject>

class QLineEdit;
class QToolButton;
class QWidget;

namespace velmora {

class RichTextView;

// Find in text: forward from the caret with the view's own find, backward by scanning the
// view's plain text, both with their questions when the end or the beginning is reached.
class FindPart : public QObject {
    Q_OBJECT
public:
    // The controls of the find strip, the view searched and the window that asks the questions.
    struct Controls {
        QLineEdit *txtKerkim = nullptr;
        QToolButton *cmdKerkim = nullptr;
        QToolButton *cmdKerkimPrapa = nullptr;
        RichTextView *Rtf1 = nullptr;
        QWidget *frmMain = nullptr;
    };

    explicit FindPart(const Controls &controls, QObject *parent = nullptr);

    void cmdKerkim_Click();
    void cmdKerkimPrapa_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // An empty text to find: tells the reader and gives the box the focus.
    bool hasSearchText(const QString &T);

    Controls m_c;
};

} // namespace velmora
