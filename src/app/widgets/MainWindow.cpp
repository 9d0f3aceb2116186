#include "app/widgets/MainWindow.h"
#include "common/ProgramTitle.h"
#include "common/widgets/Controls.h"
#include "common/widgets/MessageBoxes.h"

#include "app/LayoutRules.h"
#include "app/widgets/Splash.h"
#include "app/widgets/StoreConversion.h"
#include "common/Twips.h"
#include "common/widgets/TwipsGeometry.h"
#include "data/DataFolder.h"
#include "data/DataSource.h"
#include "recitation/FXSnd.h"
#include "textview/widgets/RichTextView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QToolButton>

namespace velmora {

namespace {
const QString kTitle = programTitle();
const QString kWholeTextAtStart = QStringLiteral("KUR'AN.rtf");
const QString kWholeTextOnReturn = QStringLiteral("kur'an.rtf");
const QString kStoreName = DataFolder::storeName();

// Widths of the verse search box outside and inside the results view, in twips.
constexpr int kSearchBoxWide = 1935;
constexpr int kSearchBoxNarrow = 1455;

QIcon icon(const char *themeName, const char *file)
{
    return QIcon::fromTheme(QLatin1String(themeName),
                            QIcon(QStringLiteral(":/velmora/icons/") + QLatin1String(file)));
}

QFrame *groupFrame(QWidget *parent, int index)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QStringLiteral("Picture1"));
    f->setProperty("index", index);
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

} // namespace

// An icon button of the window: control name, left edge, tooltip and icon.
struct MainWindow::ButtonDef {
    QToolButton **slot;
    const char *name;
    int left;
    const char *tip;
    const char *theme;
    const char *file;
};

namespace {
QLabel *arrayLabel(QWidget *parent, const char *name, int index, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setProperty("index", index);
    return l;
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.svg")));
    setFont(QFont(QStringLiteral("Verdana"), 8));
    m_c.Data1 = new data::DataSource(QStringLiteral("Data1"), kStoreName, QStringLiteral("Sure"),
                                     data::DataSource::Kind::Table, this);
    m_c.FXSnd1 = new FXSnd(this);
    m_c.FXSnd1->setObjectName(QStringLiteral("FXSnd1"));
    buildControls();
}

MainWindow::~MainWindow() = default;

double MainWindow::dpi() const
{
    return logicalDpi(this);
}

int MainWindow::twips(int value) const
{
    return velmora::twips(this, value);
}

void MainWindow::placeTwips(QWidget *w, int left, int top, int width, int height) const
{
    velmora::placeTwips(w, left, top, width, height);
}

void MainWindow::buildControls()
{
    m_c.Picture1.resize(4);
    m_c.Label2.resize(7);

    m_c.Rtf1 = named<RichTextView>(this, "Rtf1");
    // Listings and reports are plain text in the view's own font: the face and size of the
    // whole text's ayahs, so that a result reads like the book. The font is the one the whole
    // text's reader makes for its roman face (with the serif hint), so that the text layout
    // uses one font for both instead of loading the same face a second time.
    QFont bookFont(QStringLiteral("Times New Roman"), 12);
    bookFont.setStyleHint(QFont::Serif);
    m_c.Rtf1->setFont(bookFont);
    // The view nearly always holds more than a screen. A scroll bar that stays keeps the
    // text's width fixed: new text is laid out once, instead of again each time the bar
    // comes or goes while it is laid out, and lines do not re-wrap under the reader.
    m_c.Rtf1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    placeTwips(m_c.Rtf1, 2640, 0, 6735 - 2640 - 100, 6390);

    buildIconRow();
    buildFindStrip();

    m_c.pictCmbSureAjet = named<QWidget>(this, "pictCmbSureAjet");
    m_c.PictKlasifikim = named<QWidget>(this, "PictKlasifikim");
    m_c.pictCmbTematAlfabet = named<QWidget>(this, "pictCmbTematAlfabet");
    for (QWidget *panel : {m_c.pictCmbSureAjet, m_c.PictKlasifikim, m_c.pictCmbTematAlfabet})
        placeTwips(panel, 0, 1440, 2655, 4695);
    m_c.PictKlasifikim->hide();
    m_c.pictCmbTematAlfabet->hide();

    buildSelectorPanel();
    buildPopupMenu();
}

void MainWindow::buildIconRow()
{
    const ButtonDef buttons[] = {
        {&m_c.cmdFund, "cmdFund", 90, "Kraj", "application-exit", "exit.svg"},
        {&m_c.cmdRrethProg, "cmdRrethProg", 450, "O programu...", "help-about", "about.svg"},
        {&m_c.cmdSipasSureve, "cmdSipasSureve", 810, "Klasifikacija po surama", "", "surahs.svg"},
        {&m_c.CmdKlasifikim, "CmdKlasifikim", 1170, "Tematska klasifikacija ajeta", "", "tree.svg"},
        {&m_c.CmdShowCmbKlasifikim, "CmdShowCmbKlasifikim", 1530, "Tematska klasifikacija po abecedi", "",
         "alphabet.svg"},
        {&m_c.cmdLeximAjet, "cmdLeximAjet", 1890, "Ucenje ajeta", "", "recite.svg"},
    };
    for (const ButtonDef &s : buttons)
        makeIconButton(this, s, 60, 350, 375);
    m_c.cmdFund->installEventFilter(this);
    connect(m_c.cmdFund, &QToolButton::clicked, this, &MainWindow::cmdFund_Click);
}

void MainWindow::makeIconButton(QWidget *parent, const ButtonDef &def, int top, int width, int height)
{
    *def.slot = iconButton(parent, def.name, QLatin1String(def.tip), icon(def.theme, def.file), def.left, top,
                           width, height);
}

void MainWindow::buildFindStrip()
{
    QFrame *strip = groupFrame(this, 3);
    m_c.Picture1[3] = strip;
    placeTwips(strip, 0, 480, 2655, 855);

    m_c.Label3 = named<QLabel>(strip, "Label3");
    m_c.Label3->setText(QStringLiteral("Trazenje teksta"));
    placeTwips(m_c.Label3, 120, 60, 2400, 240);

    m_c.txtKerkim = named<QLineEdit>(strip, "txtKerkim");
    m_c.txtKerkim->setText(QStringLiteral("Allah"));
    m_c.txtKerkim->setToolTip(QStringLiteral("Trazena rijec"));
    m_c.txtKerkim->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    placeTwips(m_c.txtKerkim, 120, 360, 1215, 345);

    const ButtonDef buttons[] = {
        {&m_c.cmdKerkimPrapa, "cmdKerkimPrapa", 1380, "Trazi unazad", "go-previous", "find-backward.svg"},
        {&m_c.cmdKerkim, "cmdKerkim", 1770, "Trazi naprijed", "go-next", "find-forward.svg"},
        {&m_c.cmdCopy, "cmdCopy", 2160, "Kopiranje selektiranog teksta", "edit-copy", "copy.svg"},
    };
    for (const ButtonDef &s : buttons)
        makeIconButton(strip, s, 330, 375, 375);
}

void MainWindow::buildSelectorPanel()
{
    QWidget *panel = m_c.pictCmbSureAjet;

    // Font lists (Picture1 index 2)
    QFrame *fonts = groupFrame(panel, 2);
    m_c.Picture1[2] = fonts;
    placeTwips(fonts, 0, 0, 2655, 795);
    m_c.Label2[6] = arrayLabel(fonts, "Label2", 6, QStringLiteral("Velicina"));
    placeTwips(m_c.Label2[6], 120, 60, 735, 240);
    m_c.Label2[5] = arrayLabel(fonts, "Label2", 5, QStringLiteral("Vrsta slova"));
    placeTwips(m_c.Label2[5], 960, 60, 1575, 240);
    m_c.CmbNrFonti = named<QComboBox>(fonts, "CmbNrFonti");
    m_c.CmbNrFonti->setEditable(true);
    m_c.CmbNrFonti->setInsertPolicy(QComboBox::NoInsert);
    m_c.CmbNrFonti->setEditText(QStringLiteral("10"));
    m_c.CmbNrFonti->setToolTip(QStringLiteral("Velicina teksta"));
    placeTwips(m_c.CmbNrFonti, 120, 330, 735, 345);
    m_c.CmbFontNames = named<QComboBox>(fonts, "CmbFontNames");
    m_c.CmbFontNames->setEditable(true);
    m_c.CmbFontNames->setInsertPolicy(QComboBox::NoInsert);
    m_c.CmbFontNames->setToolTip(QStringLiteral("Vrsta slova - ime fonta"));
    placeTwips(m_c.CmbFontNames, 960, 330, 1575, 345);

    // The four selectors (Picture1 index 1)
    QFrame *sel = groupFrame(panel, 1);
    m_c.Picture1[1] = sel;
    placeTwips(sel, 0, 900, 2655, 1395);
    m_c.Label2[0] = arrayLabel(sel, "Label2", 0, QStringLiteral("Sure"));
    placeTwips(m_c.Label2[0], 120, 60, 735, 240);
    m_c.Label2[1] = arrayLabel(sel, "Label2", 1, QStringLiteral("Ime"));
    placeTwips(m_c.Label2[1], 960, 60, 1575, 240);
    m_c.Label2[2] = arrayLabel(sel, "Label2", 2, QStringLiteral("Ukupno ajeta"));
    placeTwips(m_c.Label2[2], 120, 720, 1300, 240);
    m_c.Label2[3] = arrayLabel(sel, "Label2", 3, QStringLiteral("Ajet"));
    placeTwips(m_c.Label2[3], 1440, 720, 1095, 240);

    auto combo = [&](QComboBox **slot, const char *name, const char *text, const char *tip, int l, int t,
                     int w) {
        auto *c = named<QComboBox>(sel, name);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setMaxVisibleItems(20);
        c->setEditText(QLatin1String(text));
        c->setToolTip(QLatin1String(tip));
        placeTwips(c, l, t, w, 345);
        *slot = c;
    };
    combo(&m_c.CmbNrSure, "CmbNrSure", "1", "Broj sure", 120, 330, 735);
    combo(&m_c.CmbEmrSure, "CmbEmrSure", "Fatiha", "Ime sure", 960, 330, 1575);
    combo(&m_c.CmbTotalAjete, "CmbTotalAjete", "7", "Trazenje sure po ukupnom broju ajeta", 120, 990, 1000);
    combo(&m_c.CmbNrAjeti, "CmbNrAjeti", "1", "Ajet selektirane sure", 1440, 990, 1095);

    // Verse search (Picture1 index 0)
    QFrame *search = groupFrame(panel, 0);
    m_c.Picture1[0] = search;
    // 1050 high with its first three rows, 300 more for "Bez kvačica".
    placeTwips(search, 0, 2400, 2655, 1350);
    m_c.Label4 = named<QLabel>(search, "Label4");
    m_c.Label4->setText(QStringLiteral("Trazenje ajeta"));
    placeTwips(m_c.Label4, 120, 60, 2400, 240);
    m_c.CmbKerkoKrejt = named<QComboBox>(search, "CmbKerkoKrejt");
    m_c.CmbKerkoKrejt->setEditable(true);
    m_c.CmbKerkoKrejt->setInsertPolicy(QComboBox::NoInsert);
    m_c.CmbKerkoKrejt->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    m_c.CmbKerkoKrejt->setToolTip(QStringLiteral("Rijec koja se nalazi po ajetima"));
    placeTwips(m_c.CmbKerkoKrejt, 120, 360, kSearchBoxWide, 345);
    m_c.cmdKtheKuranin = named<QToolButton>(search, "cmdKtheKuranin");
    m_c.cmdKtheKuranin->setToolTip(QStringLiteral("Vrati tekst Kur'ana"));
    m_c.cmdKtheKuranin->setIcon(icon("", "return.svg"));
    m_c.cmdKtheKuranin->setAutoRaise(true);
    placeTwips(m_c.cmdKtheKuranin, 1680, 360, 375, 315);
    m_c.cmdKtheKuranin->setIconSize(QSize(twips(280), twips(280)));
    m_c.cmdKtheKuranin->hide();
    m_c.cmdKerkoAll = iconButton(search, "cmdKerkoAll", QStringLiteral("Trazi"),
                                 icon("system-search", "search.svg"), 2130, 330, 375, 375);
    m_c.ChkKerkoSure = named<QCheckBox>(search, "ChkKerkoSure");
    m_c.ChkKerkoSure->setText(QStringLiteral("Samo aktuelna sura"));
    m_c.ChkKerkoSure->setToolTip(QStringLiteral("Trazenje se odvija unutar selektirane sure"));
    placeTwips(m_c.ChkKerkoSure, 120, 750, 2400, 255);
    // Under "Samo aktuelna sura".
    m_c.chkBezKvacica = named<QCheckBox>(search, "chkBezKvacica");
    m_c.chkBezKvacica->setText(QStringLiteral("Bez kvačica"));
    m_c.chkBezKvacica->setToolTip(
        QStringLiteral("Traženje i bez kvačica: c nalazi i č i ć, s i š, z i ž, d i dj nalaze i đ"));
    placeTwips(m_c.chkBezKvacica, 120, 1020, 2400, 255);
}

void MainWindow::buildPopupMenu()
{
    m_c.mnuPopupRtf = new QMenu(QStringLiteral("Popup RTF menu"), this);
    m_c.mnuPopupRtf->setObjectName(QStringLiteral("mnuPopupRtf"));
    auto item = [&](QAction **slot, const char *name, const char *caption) {
        QAction *a = m_c.mnuPopupRtf->addAction(QLatin1String(caption));
        a->setObjectName(QLatin1String(name));
        *slot = a;
    };
    item(&m_c.mnuSelektojeAjetin, "mnuSelektojeAjetin", "Selektiraj ajet");
    item(&m_c.mnuSelektoKrejtTekstin, "mnuSelektoKrejtTekstin", "Selektiraj cjeli tekst");
    item(&m_c.mnuKopjim, "mnuKopjim", "Kopiraj selektirani tekst");
    item(&m_c.mnuLshoAjetin, "mnuLshoAjetin", "Uci ajet");
    item(&m_c.mnuPauzoje, "mnuPauzoje", "Pauziraj ucenje");
    item(&m_c.mnuVazhdo, "mnuVazhdo", "Produzi ucenje");

    // A right-button release over the text view opens the popup menu; other buttons do not.
    connect(m_c.Rtf1, &RichTextView::mouseReleased, this, [this](int button, const QPoint &pos) {
        if (button == 2)
            m_c.mnuPopupRtf->popup(pos);
    });
    connect(m_c.Rtf1, &RichTextView::menuKeyPressed, m_c.mnuPopupRtf,
            [this](const QPoint &pos) { m_c.mnuPopupRtf->popup(pos); });
}

bool MainWindow::formLoad(const Options &options)
{
    // The data files are needed from the first step on: tell the reader at once when one is
    // missing, naming the file and the folder looked in, and end in order.
    const QString folder = DataFolder::path();
    if (DataFolder::resolve(kWholeTextAtStart).isEmpty()) {
        tellReader(nullptr,
                   QStringLiteral("Datoteka \"%1\" nije pronađena u folderu \"%2\". Program se zatvara.")
                       .arg(kWholeTextAtStart, folder));
        return false;
    }
    QString conversionError;
    if (!prepareStore(nullptr, &conversionError)) {
        tellReader(nullptr, QStringLiteral("Baza podataka \"%1\" u folderu \"%2\" ne može se pretvoriti: %3\n"
                                           "Program se zatvara.")
                                .arg(kStoreName, folder, conversionError));
        return false;
    }
    if (!m_c.Data1->refresh()) {
        tellReader(nullptr, QStringLiteral("Baza podataka \"%1\" u folderu \"%2\" ne može se otvoriti: %3\n"
                                           "Program se zatvara.")
                                .arg(kStoreName, folder, m_c.Data1->errorString()));
        return false;
    }

    emit driveScanRequested();
    emit windowSettingsRequested();

    // Splash, then the main window at three quarters of the screen, centred.
    auto showMain = [this] {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect avail = screen->availableGeometry();
            resize(std::max(twips(6735), avail.width() * 3 / 4),
                   std::max(twips(6390), avail.height() * 5 / 6));
            move(avail.center() - QPoint(width() / 2, height() / 2));
        }
        show();
    };
    if (options.showSplash && options.splashMs > 0)
        Splash::showFor(options.splashMs, showMain);
    else
        showMain();

    formResize();

    QString error;
    if (!m_c.Rtf1->loadFile(kWholeTextAtStart, &error)) {
        tellReader(this, QStringLiteral("Datoteka \"%1\" u folderu \"%2\" ne može se učitati: %3\n"
                                        "Program se zatvara.")
                             .arg(kWholeTextAtStart, folder, error));
        return false;
    }
    m_c.Rtf1->setSelStart(0);

    emit fontListsRequested();
    emit historyLoadRequested();
    emit lastPlaceRestoreRequested();

    formActivate();
    return true;
}

void MainWindow::formActivate()
{
    emit activated();
}

void MainWindow::formResize()
{
    const double d = dpi();
    MainLayoutInput in;
    const QRect frame = frameGeometry();
    in.outerWidth = pixelsToTwips(frame.width(), d);
    in.outerHeight = pixelsToTwips(frame.height(), d);
    in.clientHeight = pixelsToTwips(height(), d);
    in.rtfLeft = pixelsToTwips(m_c.Rtf1->x(), d);
    in.panelTop = 1440;
    if (const auto tree = m_treePanelGeometry ? m_treePanelGeometry() : std::nullopt) {
        in.listHeight = pixelsToTwips(tree->listHeight, d);
        in.treeTop = pixelsToTwips(tree->treeTop, d);
    }

    const MainLayoutResult r = computeMainLayout(in);
    if (r.rtfWidth) {
        const int width = twips(*r.rtfWidth);
        const int height = twips(*r.rtfHeight);
        if (m_sideArea && !m_sideArea->isHidden()) {
            const SideSplit split = splitBesideText(width, m_sideShare ? m_sideShare() : 0);
            m_c.Rtf1->resize(split.textWidth, height);
            m_sideArea->setGeometry(m_c.Rtf1->x() + split.textWidth, m_c.Rtf1->y(), split.sideWidth, height);
        } else {
            m_c.Rtf1->resize(width, height);
        }
    }
    // The classification panels arrange their own contents when their height changes.
    if (r.klasifikimHeight)
        m_c.PictKlasifikim->resize(m_c.PictKlasifikim->width(), twips(*r.klasifikimHeight));
    if (r.tematAlfabetHeight)
        m_c.pictCmbTematAlfabet->resize(m_c.pictCmbTematAlfabet->width(), twips(*r.tematAlfabetHeight));
    if (r.sureAjetHeight)
        m_c.pictCmbSureAjet->resize(m_c.pictCmbSureAjet->width(), twips(*r.sureAjetHeight));
}

void MainWindow::setTreePanelGeometry(std::function<std::optional<TreePanelGeometry>()> source)
{
    m_treePanelGeometry = std::move(source);
}

void MainWindow::setSideArea(QWidget *area, std::function<int()> share)
{
    if (m_sideArea)
        m_sideArea->removeEventFilter(this);
    m_sideArea = area;
    m_sideShare = std::move(share);
    if (m_sideArea)
        m_sideArea->installEventFilter(this);
    formResize();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    formResize();
}

void MainWindow::enterResultsView()
{
    m_c.cmdKtheKuranin->setVisible(true);
    m_c.CmbKerkoKrejt->resize(twips(kSearchBoxNarrow), m_c.CmbKerkoKrejt->height());
}

bool MainWindow::isResultsView() const
{
    return !m_c.cmdKtheKuranin->isHidden();
}

bool MainWindow::leaveResultsView()
{
    m_c.cmdKtheKuranin->setVisible(false);
    m_c.CmbKerkoKrejt->resize(twips(kSearchBoxWide), m_c.CmbKerkoKrejt->height());
    QCoreApplication::processEvents();
    if (!loadWholeText(kWholeTextOnReturn)) {
        // The view still shows the result: keep the way back open.
        enterResultsView();
        return false;
    }
    return true;
}

bool MainWindow::loadWholeText(const QString &name)
{
    QString error;
    if (m_c.Rtf1->loadFile(name, &error))
        return true;
    tellReader(this, QStringLiteral("Tekst Kur'ana (\"%1\" u folderu \"%2\") ne može se učitati: %3")
                         .arg(name, DataFolder::path(), error));
    return false;
}

int MainWindow::execModal(QDialog *dialog)
{
    dialog->setWindowModality(Qt::ApplicationModal);
    emit modalOpening(dialog);
    const int result = dialog->exec();
    formActivate();
    return result;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Form_Unload: closing through the window frame saves the searched-word history.
    emit historySaveRequested();
    emit lastPlaceSaveRequested();
    event->accept();
}

void MainWindow::cmdFund_Click()
{
    // "Kraj" ends the program at once. The searched-word history is saved on this path too,
    // so that leaving by the button does not lose the searches of this run.
    emit historySaveRequested();
    emit lastPlaceSaveRequested();
    QCoreApplication::exit(0);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by plain pointer: the area may be half torn down when the window closes.
    if (watched == m_sideArea &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        formResize();
    if (watched == m_c.cmdFund && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move of the focus inside the window counts, not a switch to another window.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isActiveWindow())
            m_c.CmbNrSure->setFocus(Qt::OtherFocusReason);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora
