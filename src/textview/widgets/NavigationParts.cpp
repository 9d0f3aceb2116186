#include "textview/widgets/NavigationParts.h"

#include "app/widgets/MainWindow.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/ComboSupport.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/SurahSelectors.h"
#include "textview/widgets/TextCommands.h"

#include <QAction>
#include <QComboBox>
#include <QPointer>
#include <QToolButton>

namespace velmora {

SurahSelectors *installSelectorPart(MainWindow &window)
{
    MainControls &c = window.controls();
    SurahSelectors::Options options;
    const QPointer<RichTextView> view(c.Rtf1);
    const QPointer<QComboBox> nrSure(c.CmbNrSure);
    const QPointer<QComboBox> nrAjeti(c.CmbNrAjeti);
    // The last step of every choice: locate and select the ayah the selectors show.
    options.afterChoice = [view, nrSure, nrAjeti] {
        if (!view || !nrSure || !nrAjeti)
            return false;
        kerkoje(view, nrSure->currentText(), nrAjeti->currentText());
        return true;
    };
    options.dropDownOnFocus = true;
    auto *selectors = new SurahSelectors(c.CmbNrSure, c.CmbEmrSure, c.CmbTotalAjete, c.CmbNrAjeti, c.Data1,
                                         std::move(options), &window);
    selectors->setObjectName(QStringLiteral("SelectorPart"));
    // Form_Activate: after start-up and on every return from another window of the program.
    QObject::connect(&window, &MainWindow::activated, selectors, &SurahSelectors::refillAndReset);
    return selectors;
}

void installAyahSelectPart(MainWindow &window)
{
    MainControls &c = window.controls();
    const QPointer<RichTextView> view(c.Rtf1);
    QObject::connect(c.mnuSelektojeAjetin, &QAction::triggered, &window, [view] {
        if (view)
            selectAyahAtCaret(view);
    });
}

void installTextCommandsPart(MainWindow &window)
{
    MainControls &c = window.controls();
    const QPointer<RichTextView> view(c.Rtf1);
    const QPointer<QComboBox> sizes(c.CmbNrFonti);
    const QPointer<QComboBox> names(c.CmbFontNames);

    // Only a picked entry acts; typing into either field does nothing by itself.
    activateOnPickOnly(c.CmbNrFonti);
    activateOnPickOnly(c.CmbFontNames);

    QObject::connect(&window, &MainWindow::fontListsRequested, &window, [sizes, names] {
        addNrFontToCombo(sizes);
        addFontToCombo(names);
    });
    QObject::connect(c.CmbFontNames, &QComboBox::activated, &window, [view, names] {
        if (view && names)
            applyFontName(view, names->currentText());
    });
    QObject::connect(c.CmbNrFonti, &QComboBox::activated, &window, [view, sizes] {
        if (view && sizes)
            applyFontSize(view, sizes->currentText());
    });
    const auto copy = [view] {
        if (view)
            copySelection(view);
    };
    QObject::connect(c.cmdCopy, &QToolButton::clicked, &window, copy);
    QObject::connect(c.mnuKopjim, &QAction::triggered, &window, copy);
    QObject::connect(c.mnuSelektoKrejtTekstin, &QAction::triggered, &window, [view] {
        if (view)
            selectWholeText(view);
    });
}

} // namespace velmora
