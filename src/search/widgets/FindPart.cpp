#include "search/widgets/FindPart.h"
#include "common/widgets/MessageBoxes.h"

#include "search/FindText.h"
#include "textview/widgets/RichTextView.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

namespace velmora {

namespace {
const QString kEmpty = QStringLiteral("Upisite nesto u kutiji za pretragu!");
const QString kAgain = QStringLiteral("Zelite li poceti trazenje iz pocetka teksta?");
const QString kFromEnd = QStringLiteral("Zelite li da pretrazivanje zapocne iz kraja teksta?");
} // namespace

FindPart::FindPart(const Controls &controls, QObject *parent) : QObject(parent), m_c(controls)
{
    connect(m_c.cmdKerkim, &QToolButton::clicked, this, &FindPart::cmdKerkim_Click);
    connect(m_c.cmdKerkimPrapa, &QToolButton::clicked, this, &FindPart::cmdKerkimPrapa_Click);
    m_c.txtKerkim->installEventFilter(this);
}

bool FindPart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.txtKerkim) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            // Enter finds forward; the key is not consumed.
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                QTimer::singleShot(0, this, &FindPart::cmdKerkim_Click);
        } else if (event->type() == QEvent::FocusIn) {
            QLineEdit *edit = m_c.txtKerkim;
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        }
    }
    return QObject::eventFilter(watched, event);
}

bool FindPart::hasSearchText(const QString &T)
{
    if (!T.isEmpty())
        return true;
    tellReader(m_c.frmMain, kEmpty);
    m_c.txtKerkim->setFocus();
    return false;
}

void FindPart::cmdKerkim_Click()
{
    RichTextView *view = m_c.Rtf1;
    const QString T = m_c.txtKerkim->text();
    if (!hasSearchText(T))
        return;
    bool restart = false;
    int E = 0;
    for (;;) {
        if (restart) {
            // The part before E has not been searched yet.
            if (view->find(T, 0, E) < 0)
                tellReader(m_c.frmMain, QStringLiteral("Tekst se ne spominje!"));
            return;
        }
        const QString S = view->selText();
        if (!S.isEmpty() && S == T) {
            // The previous match: go on after it.
            E = view->selStart() + static_cast<int>(S.size());
            if (view->find(T, E) >= 0)
                return;
            if (!askOkCancel(m_c.frmMain, QStringLiteral("Tekst se ne spominje vise!\r\n") + kAgain))
                return;
            view->setSelStart(0);
            continue;
        }
        if (!S.isEmpty()) {
            // A foreign selection: start at the end of its first word.
            view->setSelStart(view->selStart());
            view->upTo(wordEndSet(), true, false);
            continue;
        }
        E = view->selStart();
        if (view->find(T, E) >= 0)
            return;
        if (!askOkCancel(m_c.frmMain, QStringLiteral("Tekst se ne spominje!\r\n") + kAgain))
            return;
        restart = true;
        view->setSelStart(0);
    }
}

void FindPart::cmdKerkimPrapa_Click()
{
    RichTextView *view = m_c.Rtf1;
    const QString T = m_c.txtKerkim->text();
    if (!hasSearchText(T))
        return;
    bool firstPass = true;
    for (;;) {
        const int P = view->selStart();
        const int L = static_cast<int>(T.size());
        const QString V = view->text();
        if (firstPass && P == 0) {
            // An empty view has no end to start from.
            if (!V.isEmpty() &&
                askYesNo(m_c.frmMain,
                         QStringLiteral("Momentalno se nalazite na pocetku teksta.\n") + kFromEnd)) {
                view->setSelStart(static_cast<int>(V.size()));
                continue;
            }
        }
        if (P <= L)
            return;
        const int c = scanBackward(V, P, T);
        if (c >= 0) {
            view->setSelStart(c);
            view->setSelLength(L);
            return;
        }
        if (!firstPass) {
            tellReader(m_c.frmMain, QStringLiteral("Tekst nije pronađen."));
            return;
        }
        if (!askYesNo(m_c.frmMain, QStringLiteral("Dostignut je pocetak teksta.\n") + kFromEnd))
            return;
        firstPass = false;
        view->setSelStart(static_cast<int>(V.size()));
    }
}

} // namespace velmora
