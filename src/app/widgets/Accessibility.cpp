#include "app/widgets/Accessibility.h"

#include <QLabel>
#include <QString>
#include <QWidget>

namespace velmora {

namespace {

struct AccessibleText {
    const char *window; // the window's object name
    const char *control;
    int index; // the control array's index; -1 for a single control
    const char *name;
    const char *description;
};

// clang-format off
const AccessibleText kTexts[] = {
    // The main window: icon row
    {"frmMain", "cmdFund", -1, "Kraj", "Kraj"},
    {"frmMain", "cmdRrethProg", -1, "O programu", "O programu..."},
    {"frmMain", "cmdSipasSureve", -1, "Po surama", "Klasifikacija po surama"},
    {"frmMain", "CmdKlasifikim", -1, "Tematska klasifikacija", "Tematska klasifikacija ajeta"},
    {"frmMain", "CmdShowCmbKlasifikim", -1, "Teme po abecedi", "Tematska klasifikacija po abecedi"},
    {"frmMain", "cmdLeximAjet", -1, "Učenje ajeta", "Učenje ajeta"},
    // Find strip
    {"frmMain", "txtKerkim", -1, "Traženje teksta", "Tražena riječ"},
    {"frmMain", "cmdKerkimPrapa", -1, "Traži unazad", "Traži unazad"},
    {"frmMain", "cmdKerkim", -1, "Traži naprijed", "Traži naprijed"},
    {"frmMain", "cmdCopy", -1, "Kopiraj", "Kopiranje selektiranog teksta"},
    // Font lists
    {"frmMain", "CmbNrFonti", -1, "Veličina", "Veličina teksta"},
    {"frmMain", "CmbFontNames", -1, "Vrsta slova", "Vrsta slova - ime fonta"},
    // Selectors
    {"frmMain", "CmbNrSure", -1, "Sura", "Broj sure"},
    {"frmMain", "CmbEmrSure", -1, "Ime sure", "Ime sure"},
    {"frmMain", "CmbTotalAjete", -1, "Ukupno ajeta", "Traženje sure po ukupnom broju ajeta"},
    {"frmMain", "CmbNrAjeti", -1, "Ajet", "Ajet selektirane sure"},
    // Verse search
    {"frmMain", "CmbKerkoKrejt", -1, "Traženje ajeta", "Riječ koja se nalazi po ajetima"},
    {"frmMain", "cmdKtheKuranin", -1, "Vrati tekst Kur'ana", "Vrati tekst Kur'ana"},
    {"frmMain", "cmdKerkoAll", -1, "Traži ajete", "Traži"},
    {"frmMain", "ChkKerkoSure", -1, "Samo aktuelna sura", "Traženje se odvija unutar selektirane sure"},
    {"frmMain", "chkBezKvacica", -1, "Bez kvačica",
     "Traženje i bez kvačica: c nalazi i č i ć, s i š, z i ž, d i dj nalaze i đ"},
    // Topic tree panel
    {"frmMain", "cmdExpandAll", -1, "Pokaži grane", "Pokaži grane"},
    {"frmMain", "CmdCollapseAll", -1, "Pokaži stablo", "Pokaži stablo"},
    {"frmMain", "TreeView1", -1, "Teme po poglavljima",
     "Poglavlja sa svojim temama; tema odabrana tipkom Enter ili klikom pokazuje svoje ajete"},
    {"frmMain", "lstAjetKlasifikim", -1, "Ajeti teme", "Kliknite ovdje da bi se pokazao ajet (ajeti)"},
    // Alphabetical topic panel
    {"frmMain", "cmbKlasifikimTematik", -1, "Teme po abecedi",
     "Teme poredane po abecedi; odabrana tema pokazuje svoje ajete"},
    {"frmMain", "LstAjetetPrejCmbTema", -1, "Ajeti teme", "Kliknite ovdje da bi se pokazao ajet (ajeti)"},
    // The text
    {"frmMain", "Rtf1", -1, "Tekst Kur'ana",
     "Prijevod Kur'ana ili rezultat traženja; desni klik otvara meni, dvostruki klik uči ajet"},

    // The recitation window
    {"frmLexim", "Option1", -1, "Jedan ajet", "Učenje jednog ajeta"},
    {"frmLexim", "Option2", -1, "Jedno sure", "Učenje jedne sure"},
    {"frmLexim", "Option7", -1, "Cijeli Kur'an", "Učenje cijelog Kur'ana"},
    {"frmLexim", "CmbNrSure", -1, "Sura", "Broj sure"},
    {"frmLexim", "CmbEmrSure", -1, "Ime sure", "Ime sure"},
    {"frmLexim", "CmbNrAjeti", -1, "Ajet", "Ajet selektirane sure"},
    {"frmLexim", "CmbTotalAjete", -1, "Ukupno ajeta", "Ukupan broj ajeta sure"},
    {"frmLexim", "CmbUcac", -1, "Učač", "Čije učenje se sluša"},
    {"frmLexim", "cmdDodajUcaca", -1, "Dodaj učača", "Dodaj folder sa učenjem (datoteke kao 002255.mp3)"},
    {"frmLexim", "cmdLexo", -1, "Uči", "Počni učenje odabranog"},
    {"frmLexim", "cmdPause", -1, "Pauziraj", "Pauziraj učenje"},
    {"frmLexim", "cmdResume", -1, "Produži", "Produži učenje"},
    {"frmLexim", "chkRepeat", -1, "Ponovi", "Ponavljaj ajet"},
    {"frmLexim", "cmdFund", -1, "Vrati se", "Zatvori prozor učenja"},
    {"frmLexim", "VSBWavVolume", -1, "Jačina zvuka", "Jačina zvuka u postocima; gore je glasnije"},
    {"frmLexim", "SldAjet", -1, "Položaj u ajetu", "Dokle je stiglo učenje ajeta"},
    {"frmLexim", "RichTextBox1", -1, "Tekst ajeta", "Prijevod ajeta koji se uči"},

    // The About window
    {"frmRrethProg", "SSTab1", -1, "O programu", "Program, obrada, zahvala i kontakt"},
    {"frmRrethProg", "Command1", -1, "Natrag", "Zatvori prozor O programu"},
};

// The labels that stand for a control: a screen reader names the control after its label.
struct LabelFor {
    const char *window;
    const char *label;
    int index;
    const char *control;
};

const LabelFor kLabels[] = {
    {"frmMain", "Label3", -1, "txtKerkim"},
    {"frmMain", "Label2", 6, "CmbNrFonti"},
    {"frmMain", "Label2", 5, "CmbFontNames"},
    {"frmMain", "Label2", 0, "CmbNrSure"},
    {"frmMain", "Label2", 1, "CmbEmrSure"},
    {"frmMain", "Label2", 2, "CmbTotalAjete"},
    {"frmMain", "Label2", 3, "CmbNrAjeti"},
    {"frmMain", "Label2", 4, "cmbKlasifikimTematik"},
    {"frmMain", "Label4", -1, "CmbKerkoKrejt"},
    {"frmLexim", "LblNrSure", -1, "CmbNrSure"},
    {"frmLexim", "LblEmrSure", -1, "CmbEmrSure"},
    {"frmLexim", "LblNrAjet", -1, "CmbNrAjeti"},
    {"frmLexim", "Label2", -1, "CmbTotalAjete"},
    {"frmLexim", "lblWave", -1, "VSBWavVolume"},
    {"frmLexim", "LblUcac", -1, "CmbUcac"},
};
// clang-format on

// The order in which Tab visits the controls of a window; hidden ones are passed over.
struct TabChain {
    const char *window;
    QList<const char *> controls;
};

const TabChain kTabChains[] = {
    {"frmMain",
     {"cmdRrethProg",
      "cmdSipasSureve",
      "CmdKlasifikim",
      "CmdShowCmbKlasifikim",
      "cmdLeximAjet",
      "txtKerkim",
      "cmdKerkimPrapa",
      "cmdKerkim",
      "cmdCopy",
      "CmbNrFonti",
      "CmbFontNames",
      "cmdFund",
      "CmbNrSure",
      "CmbEmrSure",
      "CmbTotalAjete",
      "CmbNrAjeti",
      "CmbKerkoKrejt",
      "cmdKtheKuranin",
      "cmdKerkoAll",
      "ChkKerkoSure",
      "chkBezKvacica",
      "cmdExpandAll",
      "CmdCollapseAll",
      "TreeView1",
      "lstAjetKlasifikim",
      "cmbKlasifikimTematik",
      "LstAjetetPrejCmbTema",
      "Rtf1"}},
};

QWidget *control(const QList<QWidget *> &all, const char *name, int index)
{
    for (QWidget *w : all) {
        if (w->objectName() == QLatin1String(name) && (index < 0 || w->property("index").toInt() == index))
            return w;
    }
    return nullptr;
}

} // namespace

void makeAccessible(QWidget *window)
{
    if (!window)
        return;
    const QString windowName = window->objectName();
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (const AccessibleText &t : kTexts) {
        if (windowName != QLatin1String(t.window))
            continue;
        for (QWidget *w : all) {
            if (w->objectName() != QLatin1String(t.control))
                continue;
            if (t.index >= 0 && w->property("index").toInt() != t.index)
                continue;
            w->setAccessibleName(QString::fromUtf8(t.name));
            w->setAccessibleDescription(QString::fromUtf8(t.description));
            // A control made of parts hands the keyboard to one of them (the edit field of
            // the alphabetical topic box): that part is what a screen reader meets.
            if (QWidget *proxy = w->focusProxy()) {
                proxy->setAccessibleName(QString::fromUtf8(t.name));
                proxy->setAccessibleDescription(QString::fromUtf8(t.description));
            }
        }
    }
    for (const LabelFor &l : kLabels) {
        if (windowName != QLatin1String(l.window))
            continue;
        auto *label = qobject_cast<QLabel *>(control(all, l.label, l.index));
        if (QWidget *w = control(all, l.control, -1); label && w)
            label->setBuddy(w);
    }
    for (const TabChain &chain : kTabChains) {
        if (windowName != QLatin1String(chain.window))
            continue;
        QWidget *previous = nullptr;
        for (const char *name : chain.controls) {
            QWidget *w = control(all, name, -1);
            if (!w)
                continue;
            if (previous)
                QWidget::setTabOrder(previous, w);
            previous = w;
        }
    }
}

} // namespace velmora
