#pragma once

#include "data/DataSource.h"

#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <functional>

namespace velmora {

// The four linked surah/ayah selectors: surah number, surah name, the surah's number of ayahs
// and the ayah number. Choosing in any of them brings the other three into line through the
// surah table and then runs the window's after-choice step (the main window locates the ayah
// in its text, the recitation window shows the ayah's text). The current surah is the current
// record of the window's data source on table "sure"; the current surah and ayah are the texts
// of the combo boxes, written and read by the program.
//
// A choice is made by picking an entry from a list (QComboBox::activated) or by Enter in the
// edit field. Setting a text from code never runs a click handler.
class SurahSelectors : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The last step of every choice. Returning false counts as a failure of the choice,
        // which then falls back (see the click handlers).
        std::function<bool()> afterChoice;
        // Drop a selector's list down whenever it receives the keyboard focus.
        bool dropDownOnFocus = true;
        // What Enter in a selector does; when empty, Enter runs that selector's click handler.
        std::function<void()> onEnter;
        // Look a typed name up by a seek on the data source's index "emriboshnjakisht" instead
        // of a query on the store.
        bool nameBySeek = false;
    };

    SurahSelectors(QComboBox *nrSure, QComboBox *emrSure, QComboBox *totalAjete, QComboBox *nrAjeti,
                   data::DataSource *source, Options options, QObject *parent = nullptr);

    // Fill routines: each empties its list first. The first three walk a copy of the surah
    // table, so the current surah stays where it is; the ayah list holds 1 to the number of
    // ayahs of the current surah.
    void AddItemCMBO1();
    void AddItemCMBO2();
    void AddItemCMBO3();
    void addItemCmbNrAjet();

    // Activation of the window: every list refilled, surah 1 made current, the texts reset
    // to "1", "Fatiha", "1" and "7", and the ayah list holding 1 to 7.
    void refillAndReset();

    // Click handlers. Each brings the selectors into line and runs the after-choice step; any
    // failure on the way sets the handler's own selector to its fallback value ("1", "Fatiha",
    // "7", "1") and runs the handler once more. A second failure ends it without a message.
    void CmbNrSure_Click();
    void CmbEmrSure_Click();
    void CmbTotalAjete_Click();
    void CmbNrAjeti_Click();

    QComboBox *nrSure() const { return m_nrSure; }
    QComboBox *emrSure() const { return m_emrSure; }
    QComboBox *totalAjete() const { return m_totalAjete; }
    QComboBox *nrAjeti() const { return m_nrAjeti; }

    // The show-drop-down request: opens the list with the entry equal to the edit text
    // highlighted, or none highlighted when the text is not in the list.
    static void dropDown(QComboBox *combo);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Step = bool (SurahSelectors::*)();
    void runClick(QComboBox *own, const QString &fallback, Step step);
    bool stepNrSure();
    bool stepEmrSure();
    bool stepTotalAjete();
    bool stepNrAjeti();
    bool afterChoice();
    bool fillAyahList(const QString &count);
    void fillFromTable(QComboBox *combo, const QString &field, bool sorted);
    void clickOf(QComboBox *combo);
    void enterIn(QComboBox *combo);
    QComboBox *comboOfView(QObject *view) const;
    bool popupKey(QComboBox *combo, QEvent *event);

    QPointer<QComboBox> m_nrSure;
    QPointer<QComboBox> m_emrSure;
    QPointer<QComboBox> m_totalAjete;
    QPointer<QComboBox> m_nrAjeti;
    QPointer<data::DataSource> m_source;
    Options m_options;
};

} // namespace velmora
