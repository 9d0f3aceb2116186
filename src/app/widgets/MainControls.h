#pragma once

#include <QList>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QWidget;

namespace velmora {

class RichTextView;
class FXSnd;
namespace data {
class DataSource;
}

// The controls of the main window, by their names. The window builds them; the parts of each
// subsystem (selectors, search, find, classification, recitation) work on them.
struct MainControls {
    RichTextView *Rtf1 = nullptr;
    data::DataSource *Data1 = nullptr;
    FXSnd *FXSnd1 = nullptr;

    // Icon row
    QToolButton *cmdFund = nullptr;
    QToolButton *cmdRrethProg = nullptr;
    QToolButton *cmdSipasSureve = nullptr;
    QToolButton *CmdKlasifikim = nullptr;
    QToolButton *CmdShowCmbKlasifikim = nullptr;
    QToolButton *cmdLeximAjet = nullptr;

    // Find strip (Picture1 index 3)
    QToolButton *cmdCopy = nullptr;
    QLineEdit *txtKerkim = nullptr;
    QToolButton *cmdKerkim = nullptr;
    QToolButton *cmdKerkimPrapa = nullptr;
    QLabel *Label3 = nullptr;

    // The three left panels
    QWidget *pictCmbSureAjet = nullptr;
    QWidget *PictKlasifikim = nullptr;
    QWidget *pictCmbTematAlfabet = nullptr;

    // Picture1 array: 0 verse search, 1 selectors, 2 font lists, 3 find strip
    QList<QFrame *> Picture1;

    // Font lists
    QComboBox *CmbNrFonti = nullptr;
    QComboBox *CmbFontNames = nullptr;

    // Selectors
    QComboBox *CmbNrSure = nullptr;
    QComboBox *CmbEmrSure = nullptr;
    QComboBox *CmbTotalAjete = nullptr;
    QComboBox *CmbNrAjeti = nullptr;

    // Verse search
    QLabel *Label4 = nullptr;
    QComboBox *CmbKerkoKrejt = nullptr;
    QCheckBox *ChkKerkoSure = nullptr;
    QCheckBox *chkBezKvacica = nullptr; // "Bez kvačica": words match without their letters' marks
    QToolButton *cmdKerkoAll = nullptr;
    QToolButton *cmdKtheKuranin = nullptr;

    // Label2 array: 0 "Sure", 1 "Ime", 2 "Ukupno ajeta", 3 "Ajet", 5 "Vrsta slova", 6 "Velicina"
    // (index 4, "Teme", belongs to the alphabetical topic panel).
    QList<QLabel *> Label2;

    // Popup menu of the text view
    QMenu *mnuPopupRtf = nullptr;
    QAction *mnuSelektojeAjetin = nullptr;
    QAction *mnuSelektoKrejtTekstin = nullptr;
    QAction *mnuKopjim = nullptr;
    QAction *mnuLshoAjetin = nullptr;
    QAction *mnuPauzoje = nullptr;
    QAction *mnuVazhdo = nullptr;
};

} // namespace velmora
