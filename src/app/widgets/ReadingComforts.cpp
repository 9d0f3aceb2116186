#include "app/widgets/ReadingComforts.h"

#include "app/widgets/MainWindow.h"
#include "common/widgets/MessageBoxes.h"
#include "textview/Bookmarks.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/BookmarksWindow.h"
#include "textview/widgets/LastPlace.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/SurahSelectors.h"
#include "textview/widgets/TextCommands.h"
#include "textview/widgets/TextPrinting.h"

#include <QAction>
#include <QDateTime>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QToolTip>

namespace velmora {

namespace {

QAction *appendItem(MainWindow &window, const char *name, const QString &caption)
{
    QAction *item = window.controls().mnuPopupRtf->addAction(caption);
    item->setObjectName(QLatin1String(name));
    return item;
}

// "Zabilježi ajet": the ayah under the caret, in the whole text or in a result alike.
void bookmarkAyahAtCaret(MainWindow &window)
{
    RichTextView *view = window.controls().Rtf1;
    const auto ayah = ayahAtCaret(view);
    if (!ayah) {
        tellReader(&window,
                   QStringLiteral("Kursor nije u ajetu. Postavite kursor u ajet koji želite zabilježiti."));
        return;
    }
    auto settings = openReaderSettings();
    Bookmarks::add(*settings, *ayah, QDateTime::currentDateTime());
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        tellReader(&window, QStringLiteral("Zabilješka se ne može zapisati u postavke programa."));
        return;
    }
    // Shown once the popup menu has closed and the window is active again: that change would
    // take a tip shown at once away with it.
    const QPointer<RichTextView> guard(view);
    const QString note = QStringLiteral("Ajet %1 je zabilježen.").arg(formatAyahRef(*ayah));
    QTimer::singleShot(50, view, [guard, note] {
        if (guard)
            QToolTip::showText(guard->viewport()->mapToGlobal(guard->cursorRect().bottomLeft()), note, guard);
    });
}

// Locates the ayah in the whole text as a choice in the selectors does: the selectors show it
// and its paragraph is selected and brought into sight.
void locateInWholeText(MainWindow &window, const AyahRef &ayah)
{
    if (window.isResultsView() && !window.leaveResultsView())
        return;
    MainControls &c = window.controls();
    auto *selectors = window.findChild<SurahSelectors *>(QStringLiteral("SelectorPart"));
    if (!selectors) {
        kerkoje(c.Rtf1, QString::number(ayah.surah), QString::number(ayah.ayah));
        return;
    }
    c.CmbNrSure->setEditText(QString::number(ayah.surah));
    selectors->CmbNrSure_Click();
    c.CmbNrAjeti->setEditText(QString::number(ayah.ayah));
    selectors->CmbNrAjeti_Click();
}

} // namespace

void installReadingComforts(MainWindow &window)
{
    MainControls &c = window.controls();
    const QPointer<RichTextView> view(c.Rtf1);

    QAction *mark = appendItem(window, "mnuZabiljeziAjet", QStringLiteral("Zabilježi ajet"));
    QObject::connect(mark, &QAction::triggered, &window, [&window] { bookmarkAyahAtCaret(window); });

    QAction *list = appendItem(window, "mnuZabiljeske", QStringLiteral("Zabilješke..."));
    QObject::connect(list, &QAction::triggered, &window, [&window] {
        BookmarksWindow bookmarks(&window);
        window.execModal(&bookmarks);
        if (const auto chosen = bookmarks.chosen())
            locateInWholeText(window, *chosen);
    });

    QAction *print = appendItem(window, "mnuStampaj", QStringLiteral("Štampaj / PDF..."));
    QObject::connect(print, &QAction::triggered, &window, [&window, view] {
        if (view)
            printViewWithDialog(view, &window);
    });

    // Ctrl+C on a selection of one whole ayah copies it with its reference.
    installQuotedCopyKeys(c.Rtf1);

    // The last place read: noted while the whole text is shown, kept when the program ends,
    // brought back at the next start.
    auto *lastPlace = new LastPlaceTracker(
        c.Rtf1, [&window] { return !window.isResultsView(); }, &window);
    lastPlace->setObjectName(QStringLiteral("LastPlaceTracker"));
    QObject::connect(&window, &MainWindow::lastPlaceRestoreRequested, lastPlace, &LastPlaceTracker::restore);
    QObject::connect(&window, &MainWindow::lastPlaceSaveRequested, lastPlace, &LastPlaceTracker::save);
}

} // namespace velmora
