#include "recitation/widgets/RecitationWindow.h"
#include "common/widgets/MessageBoxes.h"

#include "common/widgets/Controls.h"
#include "data/DataFolder.h"
#include "data/DataSource.h"
#include "recitation/BookPlace.h"
#include "recitation/FXSnd.h"
#include "recitation/SoundSource.h"
#include "textview/widgets/RichTextView.h"
#include "textview/widgets/SurahSelectors.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velmora {

namespace {
const QString kStoreName = DataFolder::storeName();
const QString kFieldText = QStringLiteral("TekstAjet");
const QString kIndexNumber = QStringLiteral("numri");

constexpr double kVolumeUnit = 655.35; // one percent of the control's 0..65535

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = named<QLabel>(parent, name);
    l->setText(text);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = named<QPushButton>(parent, name);
    b->setText(text);
    // Enter belongs to the selectors (it starts reciting there); no button of the window takes
    // it as the dialog's default.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QComboBox *selector(QWidget *parent, const char *name, const QString &text, int minChars)
{
    auto *c = named<QComboBox>(parent, name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(20);
    c->setEditText(text);
    c->setMinimumContentsLength(minChars);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}
} // namespace

RecitationWindow::RecitationWindow(QWidget *parent) : QDialog(parent), m_sequencer(*this, m_forward)
{
    setObjectName(QStringLiteral("frmLexim"));
    setWindowTitle(QStringLiteral("Ucenje ajeta"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    FXSnd1 = new FXSnd(this);
    FXSnd1->setObjectName(QStringLiteral("FXSnd1"));
    FXSnd1->setWakeInterval(kPlayerWakeMs);
    m_fxsndControl = std::make_unique<FXSndControl>(FXSnd1);
    m_control = m_fxsndControl.get();
    m_forward.target = m_control;

    DataBazaSuret = new data::DataSource(QStringLiteral("DataBazaSuret"), kStoreName, QStringLiteral("Sure"),
                                         data::DataSource::Kind::Table, this);
    DataBazaKuran = new data::DataSource(QStringLiteral("DataBazaKuran"), kStoreName, QStringLiteral("Kuran"),
                                         data::DataSource::Kind::Snapshot, this);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kTimer2IntervalMs);

    // Wakes a pass of a wait loop that nothing else wakes (a paused clip, a control that does
    // not wake the loop), so that no wait blocks for ever.
    m_waitGuard = new QTimer(this);
    m_waitGuard->setSingleShot(true);
    m_waitGuard->setInterval(kWaitGuardMs);

    buildControls();
    connectControls();
    Form_Load();
}

// FXSnd1, a child of the window, stops its clip when it goes with the window.
RecitationWindow::~RecitationWindow() = default;

// ---- Building -----------------------------------------------------------------------------

void RecitationWindow::buildControls()
{
    // Left: what to recite (mode and place). Right: the commands and the volume. Below: the
    // status line, the position slider and the ayah's text.
    auto *modes = new QGroupBox(this);
    Label1 = label(modes, "Label1", QStringLiteral("Prouciti"));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    Option1 = named<QRadioButton>(modes, "Option1");
    Option1->setText(QStringLiteral("Jedan ajet"));
    Option2 = named<QRadioButton>(modes, "Option2");
    Option2->setText(QStringLiteral("Jedno sure"));
    Option7 = named<QRadioButton>(modes, "Option7");
    Option7->setText(QStringLiteral("Cijeli Kur'an"));
    Option1->setChecked(true);
    auto *modeBox = new QVBoxLayout(modes);
    modeBox->addWidget(Label1);
    modeBox->addWidget(Option1);
    modeBox->addWidget(Option2);
    modeBox->addWidget(Option7);
    modeBox->addStretch(1);

    auto *place = new QGroupBox(this);
    LblNrSure = label(place, "LblNrSure", QStringLiteral("Sure"));
    CmbNrSure = selector(place, "CmbNrSure", QStringLiteral("1"), 4);
    LblEmrSure = label(place, "LblEmrSure", QStringLiteral("Ime"));
    CmbEmrSure = selector(place, "CmbEmrSure", QStringLiteral("Fatiha"), 14);
    LblNrAjet = label(place, "LblNrAjet", QStringLiteral("Ajet"));
    CmbNrAjeti = selector(place, "CmbNrAjeti", QStringLiteral("1"), 4);
    // The ayah count of the surah: never shown, but filled, written and read like the others.
    Label2 = label(place, "Label2", QStringLiteral("Ukupno ajeta"));
    CmbTotalAjete = selector(place, "CmbTotalAjete", QStringLiteral("7"), 4);
    Label2->hide();
    CmbTotalAjete->hide();
    CmbNrSure->setToolTip(QStringLiteral("Broj sure"));
    CmbEmrSure->setToolTip(QStringLiteral("Ime sure"));
    CmbNrAjeti->setToolTip(QStringLiteral("Ajet selektirane sure"));
    auto *placeGrid = new QGridLayout(place);
    placeGrid->addWidget(LblNrSure, 0, 0);
    placeGrid->addWidget(LblEmrSure, 0, 1);
    placeGrid->addWidget(LblNrAjet, 0, 2);
    placeGrid->addWidget(CmbNrSure, 1, 0);
    placeGrid->addWidget(CmbEmrSure, 1, 1);
    placeGrid->addWidget(CmbNrAjeti, 1, 2);
    placeGrid->addWidget(Label2, 2, 0);
    placeGrid->addWidget(CmbTotalAjete, 3, 0);
    // The reciter, in the room below the selectors.
    LblUcac = label(place, "LblUcac", QStringLiteral("Učač"));
    CmbUcac = named<QComboBox>(place, "CmbUcac");
    CmbUcac->setEditable(false);
    CmbUcac->setToolTip(QStringLiteral("Čije učenje se sluša"));
    CmbUcac->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CmbUcac->setMinimumContentsLength(14);
    // Shown while there is neither the CD nor a recitation set to choose.
    CmbUcac->setPlaceholderText(QStringLiteral("(nema učača)"));
    cmdDodajUcaca = button(place, "cmdDodajUcaca", QStringLiteral("Dodaj učača..."));
    cmdDodajUcaca->setToolTip(QStringLiteral("Dodaj folder sa učenjem (datoteke kao 002255.mp3)"));
    placeGrid->addWidget(LblUcac, 4, 0, 1, 3);
    placeGrid->addWidget(CmbUcac, 5, 0, 1, 2);
    placeGrid->addWidget(cmdDodajUcaca, 5, 2);
    placeGrid->setColumnStretch(1, 1);
    placeGrid->setRowStretch(6, 1);

    cmdLexo = button(this, "cmdLexo", QStringLiteral("Uci"));
    QFont bold = cmdLexo->font();
    bold.setBold(true);
    cmdLexo->setFont(bold);
    cmdPause = button(this, "cmdPause", QStringLiteral("Pauziraj"));
    cmdResume = button(this, "cmdResume", QStringLiteral("Produzi"));
    chkRepeat = named<QCheckBox>(this, "chkRepeat");
    chkRepeat->setText(QStringLiteral("Ponovi"));
    cmdFund = button(this, "cmdFund", QStringLiteral("Vrati se"));
    auto *commands = new QVBoxLayout;
    commands->addWidget(cmdLexo);
    commands->addWidget(cmdPause);
    commands->addWidget(cmdResume);
    commands->addWidget(chkRepeat);
    commands->addStretch(1);
    commands->addWidget(cmdFund);

    lblWave = label(this, "lblWave", QStringLiteral("Zvuk"));
    VSBWavVolume = named<QScrollBar>(this, "VSBWavVolume");
    VSBWavVolume->setOrientation(Qt::Vertical);
    VSBWavVolume->setRange(0, 100);
    VSBWavVolume->setSingleStep(1);
    VSBWavVolume->setPageStep(10);
    // Loud at the top.
    VSBWavVolume->setInvertedAppearance(true);
    VSBWavVolume->setInvertedControls(true);
    VSBWavVolume->setMinimumHeight(110);
    // Reached with Tab like the buttons, so that the volume is set with the arrow and page keys
    // by a reader without a mouse.
    VSBWavVolume->setFocusPolicy(Qt::StrongFocus);
    lblVolVal = label(this, "lblVolVal", QStringLiteral("0%"));
    auto *volume = new QVBoxLayout;
    volume->addWidget(lblWave, 0, Qt::AlignHCenter);
    volume->addWidget(VSBWavVolume, 1, Qt::AlignHCenter);
    volume->addWidget(lblVolVal, 0, Qt::AlignHCenter);

    auto *top = new QHBoxLayout;
    top->addWidget(modes);
    top->addWidget(place, 1);
    top->addLayout(commands);
    top->addLayout(volume);

    lblWavAjet = named<QLabel>(this, "lblWavAjet");
    QFont statusFont = lblWavAjet->font();
    statusFont.setBold(true);
    lblWavAjet->setFont(statusFont);
    lblWavAjet->setMinimumHeight(lblWavAjet->fontMetrics().height());
    SldAjet = named<QSlider>(this, "SldAjet");
    SldAjet->setOrientation(Qt::Horizontal);
    SldAjet->setRange(0, 0);
    SldAjet->setFocusPolicy(Qt::NoFocus);
    // The slider moves many times a second while a clip plays: it paints its own background,
    // so that the window behind it is not painted again with each move.
    SldAjet->setAutoFillBackground(true);
    SldAjet->setAttribute(Qt::WA_OpaquePaintEvent);
    RichTextBox1 = named<RichTextView>(this, "RichTextBox1");
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setMinimumHeight(120);

    auto *root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addWidget(lblWavAjet);
    root->addWidget(SldAjet);
    root->addWidget(RichTextBox1, 1);
    resize(620, 440);
}

void RecitationWindow::connectControls()
{
    SurahSelectors::Options options;
    // A choice shows the ayah in this window; a hidden window shows nothing and that is no
    // failure of the choice.
    options.afterChoice = [this] {
        return !isShown() ||
               m_sequencer.TregojeTekstinEAjetit(CmbNrSure->currentText(), CmbNrAjeti->currentText());
    };
    options.dropDownOnFocus = false;
    options.onEnter = [this] { cmdLexo_Click(); };
    options.nameBySeek = true;
    m_selectors = new SurahSelectors(CmbNrSure, CmbEmrSure, CmbTotalAjete, CmbNrAjeti, DataBazaSuret,
                                     std::move(options), this);

    connect(cmdLexo, &QPushButton::clicked, this, &RecitationWindow::cmdLexo_Click);
    connect(cmdPause, &QPushButton::clicked, this, &RecitationWindow::cmdPause_Click);
    connect(cmdResume, &QPushButton::clicked, this, &RecitationWindow::cmdResume_Click);
    connect(cmdFund, &QPushButton::clicked, this, &RecitationWindow::cmdFund_Click);
    connect(CmbUcac, &QComboBox::currentIndexChanged, this, &RecitationWindow::CmbUcac_Click);
    connect(cmdDodajUcaca, &QPushButton::clicked, this, &RecitationWindow::cmdDodajUcaca_Click);
    // The box's value reaches the sound control whenever it changes, by the reader or by the
    // program (a mode that hides it also clears it).
    connect(chkRepeat, &QCheckBox::toggled, this, &RecitationWindow::chkRepeat_Click);
    connect(VSBWavVolume, &QScrollBar::valueChanged, this, &RecitationWindow::VSBWavVolume_Change);
    connect(Timer2, &QTimer::timeout, this, &RecitationWindow::Timer2_Timer);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setMode(1);
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setMode(2);
    });
    connect(Option7, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setMode(7);
    });
}

// ---- Loading, activation, closing ---------------------------------------------------------

int RecitationWindow::volumeToPercent(double volume)
{
    const double v = volume / kVolumeUnit;
    double whole = std::floor(v);
    const double fraction = v - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<int>(std::clamp(whole, -2147483647.0, 2147483647.0));
}

QString RecitationWindow::percentText(int value)
{
    return (value < 0 ? QString() : QStringLiteral(" ")) + QString::number(value) + QStringLiteral("%");
}

void RecitationWindow::Form_Load()
{
    lblVolVal->setText(QStringLiteral("0%"));
    // Setting the bar runs its change handling when the value differs from the bar's own.
    VSBWavVolume->setValue(volumeToPercent(FXSnd1->volume()));
    VSBWavVolume->setEnabled(FXSnd1->volumeSupported());
    StopRequested = false;

    // The window's data sources open with it; the text area shows the ayah the snapshot
    // starts on.
    if (DataBazaSuret->refresh() && DataBazaKuran->refresh()) {
        data::Recordset &kuran = DataBazaKuran->recordset();
        RichTextBox1->setText(kuran.field(kFieldText).value_or(QString()));
    }
}

void RecitationWindow::Form_Activate()
{
    if (!DataBazaSuret->isOpen() || !DataBazaKuran->isOpen()) {
        // Told once the window is up, not from inside its show event.
        const data::DataSource *failed = DataBazaSuret->isOpen() ? DataBazaKuran : DataBazaSuret;
        const QString text = QStringLiteral("Baza podataka \"%1\" ne može se otvoriti: %2")
                                 .arg(kStoreName, failed->errorString());
        QMetaObject::invokeMethod(
            this, [this, text] { message(text); }, Qt::QueuedConnection);
    }
    m_selectors->refillAndReset();
    FindCDRomDrive();
    fillReciters();
}

void RecitationWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The window is new each time it opens: activation runs once, when it first shows, and
    // not again when the reader comes back to it from another program during a recitation.
    if (!m_activated && !m_unloaded) {
        m_activated = true;
        Form_Activate();
    }
}

void RecitationWindow::Form_Unload()
{
    m_unloaded = true;
    StopRequested = true;
    m_control->setCommand(11);
    Timer2->stop();
}

void RecitationWindow::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded)
        Form_Unload();
    event->accept();
    QDialog::closeEvent(event);
}

void RecitationWindow::done(int result)
{
    // "Vrati se", Escape and the close box all end here.
    if (!m_unloaded)
        Form_Unload();
    QDialog::done(result);
}

bool RecitationWindow::isShown() const
{
    return !m_unloaded && isVisible();
}

// ---- Commands -----------------------------------------------------------------------------

void RecitationWindow::message(const QString &text)
{
    tellReader(this, text);
}

bool RecitationWindow::placeIsPlayable(int *ayahs)
{
    *ayahs = 0;
    if (Option7->isChecked())
        return true;
    const QString surah = CmbNrSure->currentText();
    const QString ayah = CmbNrAjeti->currentText();
    const bool oneAyah = Option1->isChecked();
    int count = 0;
    const data::TableRecordset &table = DataBazaSuret->table();
    switch (checkPlace(table, surah, oneAyah ? &ayah : nullptr, &count)) {
    case PlaceCheck::Ok:
        *ayahs = count;
        return true;
    case PlaceCheck::NoSurah:
        // One pass of arg(): a typed text holding "%2" stays as typed.
        message(QStringLiteral("Sura \"%1\" ne postoji. Upišite broj sure od 1 do %2.")
                    .arg(surah, QString::number(std::max(lastSurahOf(table), 1))));
        return false;
    case PlaceCheck::NoAyah:
        message(QStringLiteral("Sura %1 nema ajet \"%2\". Upišite broj ajeta od 1 do %3.")
                    .arg(surah, ayah, QString::number(count)));
        return false;
    }
    return false;
}

void RecitationWindow::cmdLexo_Click()
{
    const std::optional<Reciter> reciter = currentReciter();
    if ((!reciter || reciter->isCd()) && !WavFolderExists()) {
        // Without the CD: where the sets go is said too when there is none to choose.
        const bool anySet =
            std::any_of(m_reciters.cbegin(), m_reciters.cend(), [](const Reciter &r) { return !r.isCd(); });
        message(anySet ? cdRequestMessage() : noReciterMessage());
        return;
    }
    // The selector texts go unchanged into the clip paths, the lookups and the Bismillah test:
    // a text that names no surah or ayah of the book is refused here, before anything plays.
    int count = 0;
    if (!placeIsPlayable(&count))
        return;
    if (Option1->isChecked()) {
        m_sequencer.PlayNjeAjet(CmbNrSure->currentText(), CmbNrAjeti->currentText());
    } else if (Option2->isChecked()) {
        // The surah may have been typed and started with Enter, which does not look it up: the
        // run's length is the ayah count of the surah played, not that of the surah shown before.
        CmbTotalAjete->setEditText(QString::number(count));
        m_sequencer.PlayNjeSure();
    } else if (Option7->isChecked()) {
        m_sequencer.Hatme();
    }
    StopRequested = false;
}

void RecitationWindow::cmdPause_Click()
{
    m_control->setCommand(6);
}

void RecitationWindow::cmdResume_Click()
{
    m_control->setCommand(10);
}

void RecitationWindow::cmdFund_Click()
{
    close();
}

void RecitationWindow::chkRepeat_Click()
{
    FXSnd1->setRepeat(chkRepeat->isChecked() ? 1 : 0);
}

void RecitationWindow::VSBWavVolume_Change()
{
    const int value = VSBWavVolume->value();
    lblVolVal->setText(percentText(value));
    FXSnd1->setVolume(value * kVolumeUnit);
}

void RecitationWindow::Timer2_Timer()
{
    SldAjet->setValue(m_control->position());
}

void RecitationWindow::FillFirstAjet()
{
    if (CmbNrAjeti->currentText().isEmpty()) {
        CmbNrAjeti->setEditText(QStringLiteral("1"));
        CmbTotalAjete->setEditText(QStringLiteral("7"));
        m_selectors->CmbNrAjeti_Click();
    }
}

void RecitationWindow::setMode(int option)
{
    FillFirstAjet();
    const bool oneAyah = option == 1;
    const bool surahShown = option != 7;
    if (!oneAyah)
        chkRepeat->setChecked(false);
    chkRepeat->setVisible(oneAyah);
    LblNrSure->setVisible(surahShown);
    CmbNrSure->setVisible(surahShown);
    LblEmrSure->setVisible(surahShown);
    CmbEmrSure->setVisible(surahShown);
    LblNrAjet->setVisible(oneAyah);
    CmbNrAjeti->setVisible(oneAyah);
}

void RecitationWindow::setSoundControl(SoundControl *control)
{
    m_control = control ? control : m_fxsndControl.get();
    m_forward.target = m_control;
}

// ---- Reciters -----------------------------------------------------------------------------

void RecitationWindow::fillReciters()
{
    const std::unique_ptr<QSettings> settings = openProgramSettings();
    m_reciters =
        findReciters(WavFolderExists(), recitationSetsFolder(), ReciterSettings::addedFolders(*settings));
    const int chosen = ReciterSettings::indexOfChosen(m_reciters, ReciterSettings::chosen(*settings));
    m_fillingReciters = true;
    CmbUcac->clear();
    for (const Reciter &r : std::as_const(m_reciters)) {
        CmbUcac->addItem(r.name);
        CmbUcac->setItemData(CmbUcac->count() - 1, QDir::toNativeSeparators(r.folder), Qt::ToolTipRole);
    }
    CmbUcac->setCurrentIndex(chosen >= 0 ? chosen : (m_reciters.isEmpty() ? -1 : 0));
    m_fillingReciters = false;
    const std::optional<Reciter> reciter = currentReciter();
    m_set = reciter && !reciter->isCd() ? RecitationSet::scan(reciter->folder) : RecitationSet();
}

std::optional<Reciter> RecitationWindow::currentReciter() const
{
    const int index = CmbUcac->currentIndex();
    if (index < 0 || index >= m_reciters.size())
        return std::nullopt;
    return m_reciters.at(index);
}

void RecitationWindow::CmbUcac_Click()
{
    if (m_fillingReciters)
        return;
    const std::optional<Reciter> reciter = currentReciter();
    if (!reciter)
        return;
    m_set = reciter->isCd() ? RecitationSet() : RecitationSet::scan(reciter->folder);
    ReciterSettings::setChosen(*openProgramSettings(), *reciter);
}

bool RecitationWindow::addReciterFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    if (RecitationSet::scan(folder).isEmpty()) {
        message(QStringLiteral("U folderu \"%1\" nema datoteka učenja. Datoteke učenja nose ime po suri i "
                               "ajetu, po tri cifre, npr. 002255.mp3 za ajet 2:255 (mp3, ogg, opus, flac ili "
                               "wav).")
                    .arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    {
        const std::unique_ptr<QSettings> settings = openProgramSettings();
        ReciterSettings::addFolder(*settings, folder);
        const QList<Reciter> all = findReciters(false, QString(), {folder});
        if (!all.isEmpty())
            ReciterSettings::setChosen(*settings, all.first());
    }
    fillReciters();
    return true;
}

void RecitationWindow::cmdDodajUcaca_Click()
{
    QFileDialog dialog(this, QStringLiteral("Dodaj učača: folder sa učenjem"));
    dialog.setObjectName(QStringLiteral("dlgDodajUcaca"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setDirectory(QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    addReciterFolder(dialog.selectedFiles().constFirst());
}

// ---- The sequencer's host -----------------------------------------------------------------

QString RecitationWindow::surahText() const
{
    return CmbNrSure->currentText();
}

QString RecitationWindow::nameText() const
{
    return CmbEmrSure->currentText();
}

QString RecitationWindow::ayahText() const
{
    return CmbNrAjeti->currentText();
}

QString RecitationWindow::countText() const
{
    return CmbTotalAjete->currentText();
}

void RecitationWindow::setSelectorTexts(const QString &surah, const QString &name, const QString &ayah,
                                        const QString &count)
{
    CmbNrSure->setEditText(surah);
    CmbEmrSure->setEditText(name);
    CmbNrAjeti->setEditText(ayah);
    CmbTotalAjete->setEditText(count);
}

void RecitationWindow::chooseSurah(const QString &surah)
{
    CmbNrSure->setEditText(surah);
    m_selectors->CmbNrSure_Click();
}

void RecitationWindow::setAyahText(const QString &text)
{
    RichTextBox1->setText(text);
}

void RecitationWindow::setStatus(const QString &text)
{
    lblWavAjet->setText(text);
}

void RecitationWindow::setSlider(qint32 maximum, qint32 value)
{
    SldAjet->setMaximum(std::max(maximum, 0));
    SldAjet->setValue(value);
}

void RecitationWindow::setTimerEnabled(bool on)
{
    if (on)
        Timer2->start();
    else
        Timer2->stop();
}

QString RecitationWindow::findAyahText(const QString &condition)
{
    data::Recordset &kuran = DataBazaKuran->recordset();
    if (!DataBazaKuran->isOpen() || !kuran.findFirst(condition))
        return RichTextBox1->text();
    return kuran.field(kFieldText).value_or(QString());
}

bool RecitationWindow::seekSurah(const QString &surah, QString *number, QString *name, QString *count)
{
    if (!DataBazaSuret->isOpen())
        return false;
    data::TableRecordset &table = DataBazaSuret->table();
    if (!table.setIndex(kIndexNumber) || !table.seek(surah))
        return false;
    const std::optional<QString> n = table.field(0);
    const std::optional<QString> nm = table.field(2);
    const std::optional<QString> c = table.field(3);
    if (!n || !nm || !c)
        return false;
    *number = *n;
    *name = *nm;
    *count = *c;
    return true;
}

void RecitationWindow::ayahShown(const QString &surah, const QString &ayah)
{
    const int s = leadingNumber(surah);
    const int a = leadingNumber(ayah);
    if (s > 0 && a > 0)
        emit showsAyah(s, a);
}

QString RecitationWindow::clipPath(const QString &surah, const QString &ayah) const
{
    const std::optional<Reciter> reciter = currentReciter();
    if (reciter && !reciter->isCd())
        return m_set.clipPath(surah, ayah);
    return velmora::clipPath(surah, ayah);
}

void RecitationWindow::waitForEvents()
{
    // FXSnd1 wakes the loop itself while its clip plays; any other time (a paused clip, a
    // control that does not wake it) the guard makes sure that the wait ends.
    if (FXSnd1->status() != QLatin1String("playing"))
        m_waitGuard->start();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace velmora
