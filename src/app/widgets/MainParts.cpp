#include "app/widgets/MainParts.h"

#include "about/widgets/AboutWindow.h"
#include "app/widgets/Accessibility.h"
#include "app/widgets/AyahPanelWiring.h"
#include "app/widgets/FollowAlongWiring.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/ReadingComforts.h"
#include "classification/widgets/PanelSwitching.h"
#include "classification/widgets/TopicListPanel.h"
#include "classification/widgets/TopicTreePanel.h"
#include "recitation/SoundSource.h"
#include "recitation/widgets/RecitationWindow.h"
#include "recitation/widgets/TextRecitationPart.h"
#include "search/widgets/FindPart.h"
#include "search/widgets/VerseSearchPart.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/ComboSupport.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/SurahSelectors.h"
#include "textview/widgets/TextCommands.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QToolButton>

namespace velmora {

// The main window builds its controls; here each subsystem's part gets the controls it drives
// and the small interfaces it needs, and is connected to the window's start-up signals.

namespace {

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
    QObject::connect(c.cmdCopy, &QToolButton::clicked, &window, [view] {
        if (view)
            copySelection(view);
    });
    // "Kopiraj" of the popup menu adds the reference after one whole ayah: (Bekare, 2:255).
    QObject::connect(c.mnuKopjim, &QAction::triggered, &window, [view] {
        if (view)
            copySelectionWithReference(view);
    });
    QObject::connect(c.mnuSelektoKrejtTekstin, &QAction::triggered, &window, [view] {
        if (view)
            selectWholeText(view);
    });
}

void installSearchParts(MainWindow &window)
{
    MainControls &c = window.controls();
    auto *search = new VerseSearchPart({c.CmbKerkoKrejt, c.ChkKerkoSure, c.cmdKerkoAll, c.CmbNrSure,
                                        c.CmbEmrSure, c.Rtf1, &window, c.chkBezKvacica},
                                       window, &window);
    search->setObjectName(QStringLiteral("VerseSearchPart"));
    QObject::connect(&window, &MainWindow::historyLoadRequested, search,
                     &VerseSearchPart::ListaEFjaleveTeKerkuaraGetSetting);
    QObject::connect(&window, &MainWindow::historyLoadRequested, search, &VerseSearchPart::loadSearchOptions);
    QObject::connect(&window, &MainWindow::historySaveRequested, search,
                     &VerseSearchPart::ListaEFjaleveTeKerkuaraSaveSetting);
    new FindPart({c.txtKerkim, c.cmdKerkim, c.cmdKerkimPrapa, c.Rtf1, &window}, &window);
}

void installClassificationParts(MainWindow &window)
{
    MainControls &c = window.controls();
    auto *tree = new TopicTreePanel(
        {c.PictKlasifikim, c.pictCmbTematAlfabet, c.pictCmbSureAjet, c.CmdKlasifikim, c.Rtf1, &window},
        window, &window);
    // The window's layout rules take the tree panel's own arrangement into account.
    const QPointer<TopicTreePanel> treeGuard(tree);
    window.setTreePanelGeometry([treeGuard]() -> std::optional<MainWindow::TreePanelGeometry> {
        if (!treeGuard)
            return std::nullopt;
        return MainWindow::TreePanelGeometry{treeGuard->listHeight(), treeGuard->treeTop()};
    });
    auto *list = new TopicListPanel(
        {c.pictCmbTematAlfabet, c.PictKlasifikim, c.pictCmbSureAjet, c.CmdShowCmbKlasifikim, c.Rtf1, &window},
        window, &window);
    if (c.Label2.size() > 4)
        c.Label2[4] = list->label();
    auto *switching = new PanelSwitching(
        {c.cmdSipasSureve, c.cmdKtheKuranin, c.pictCmbSureAjet, c.PictKlasifikim, c.pictCmbTematAlfabet},
        window, &window);
    switching->setObjectName(QStringLiteral("PanelSwitching"));
}

void installRecitationParts(MainWindow &window)
{
    MainControls &c = window.controls();
    // The recitation window, modal; the main window's activation runs when it closes.
    QObject::connect(c.cmdLeximAjet, &QToolButton::clicked, &window, [&window] {
        RecitationWindow lexim(&window);
        makeAccessible(&lexim);
        window.execModal(&lexim);
    });
    auto *part = new TextRecitation(c.Rtf1, c.FXSnd1, &window);
    part->setObjectName(QStringLiteral("TextRecitation"));
    QObject::connect(c.mnuLshoAjetin, &QAction::triggered, part, &TextRecitation::mnuLshoAjetin_Click);
    QObject::connect(c.Rtf1, &RichTextView::doubleClicked, part, &TextRecitation::mnuLshoAjetin_Click);
    QObject::connect(c.mnuPauzoje, &QAction::triggered, part, &TextRecitation::mnuPauzoje_Click);
    QObject::connect(c.mnuVazhdo, &QAction::triggered, part, &TextRecitation::mnuVazhdo_Click);
    // The drive scan of the start-up, which the clip paths of the text's ayahs rest on.
    QObject::connect(&window, &MainWindow::driveScanRequested, part, [] { FindCDRomDrive(); });
}

} // namespace

void installMainParts(MainWindow &window)
{
    installSelectorPart(window);
    installAyahSelectPart(window);
    installTextCommandsPart(window);
    installSearchParts(window);

    // The About window, modal; the main window's activation runs when it closes.
    QObject::connect(window.controls().cmdRrethProg, &QToolButton::clicked, &window, [&window] {
        AboutWindow about(&window);
        makeAccessible(&about);
        window.execModal(&about);
    });

    installClassificationParts(window);
    installRecitationParts(window);
    installFollowAlongPart(window);
    installAyahPanelPart(window);
    installReadingComforts(window);
    // Last, when every part has built its controls.
    makeAccessible(&window);
}

} // namespace velmora
