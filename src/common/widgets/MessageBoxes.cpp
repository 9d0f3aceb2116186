#include "common/widgets/MessageBoxes.h"

#include "common/ProgramTitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QStyle>

namespace velmora {

namespace {
// Room the window frame takes beside the caption: the close button and its neighbours, the
// frame's margins. Generous on purpose; a box a little wider than needed reads well.
constexpr int kCaptionFrameRoom = 160;

// Makes the box at least `width` pixels wide. A message box sizes itself from its text when
// it is shown, so a minimum width set on the box would be overridden; an empty item spanning
// its layout's columns is kept.
void keepAtLeast(QMessageBox &box, int width)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const int margins = grid->contentsMargins().left() + grid->contentsMargins().right();
    grid->addItem(
        new QSpacerItem(std::max(0, width - margins), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
        grid->rowCount(), 0, 1, grid->columnCount());
}
} // namespace

QString buttonText(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return QStringLiteral("U redu");
    case QMessageBox::Cancel:
        return QStringLiteral("Odustani");
    case QMessageBox::Yes:
        return QStringLiteral("Da");
    case QMessageBox::No:
        return QStringLiteral("Ne");
    default:
        return QString();
    }
}

QMessageBox::StandardButton showMessage(QWidget *parent, const QString &text,
                                        QMessageBox::StandardButtons buttons)
{
    const QString title = programTitle();
    QMessageBox box(QMessageBox::NoIcon, title, text, buttons, parent);
    // The button texts are set here rather than left to a translation of the toolkit, which
    // a reader's system may lack.
    for (QAbstractButton *b : box.buttons()) {
        const QString own = buttonText(box.standardButton(b));
        if (!own.isEmpty())
            b->setText(own);
    }
    const QFontMetrics caption(QApplication::font("QMdiSubWindowTitleBar"));
    keepAtLeast(box, caption.horizontalAdvance(title) + kCaptionFrameRoom);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void tellReader(QWidget *parent, const QString &text)
{
    showMessage(parent, text, QMessageBox::Ok);
}

bool askOkCancel(QWidget *parent, const QString &text)
{
    return showMessage(parent, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool askYesNo(QWidget *parent, const QString &text)
{
    return showMessage(parent, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace velmora
