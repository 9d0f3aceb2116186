#pragma once

#include "search/FjalKerkim.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QSettings;
class QToolButton;
class QWidget;

namespace velmora {

class ResultsView;
class RichTextView;

// The verse search of the main window: the word box CmbKerkoKrejt with its history, the
// restriction to the selected surah and the listing of the found ayahs in Rtf1.
class VerseSearchPart : public QObject {
    Q_OBJECT
public:
    // The verse search group, the selectors it reads the surah from, the view that shows the
    // listing and the window that tells the reader.
    struct Controls {
        QComboBox *CmbKerkoKrejt = nullptr;
        QCheckBox *ChkKerkoSure = nullptr;
        QToolButton *cmdKerkoAll = nullptr;
        QComboBox *CmbNrSure = nullptr;
        QComboBox *CmbEmrSure = nullptr;
        RichTextView *Rtf1 = nullptr;
        QWidget *frmMain = nullptr;
        // "Bez kvačica": ticked, the words match with or without the marks of their letters.
        // Its state is kept in the settings store. Without it every search is the plain one.
        QCheckBox *chkBezKvacica = nullptr;
    };

    VerseSearchPart(const Controls &controls, ResultsView &results, QObject *parent = nullptr);

    void cmdKerkoAll_Click();
    void CmbKerkoKrejt_Click();
    void ListaEFjaleveTeKerkuaraGetSetting();
    void ListaEFjaleveTeKerkuaraSaveSetting();

    QStringList history() const;

    // Reads the state of "Bez kvačica" from the settings store (unticked when none is kept).
    void loadSearchOptions();
    // Where that state is kept in the settings store.
    static QString ignoreMarksKey();

    // The settings store of the history; tests point it elsewhere.
    static std::unique_ptr<QSettings> openSettings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHistory(const QStringList &list);
    void failSearch(const QString &reason);
    void saveSearchOptions();
    void colourWords(RichTextView *view, const QString &searchText, bool ignoreMarks,
                     const std::function<bool()> &abandoned);

    Controls m_c;
    ResultsView &m_results;
    const QObject *m_watchedBox = nullptr; // CmbKerkoKrejt, whose keys and focus are watched
    FjalKerkim m_words;
    // Counts searches; a search that sees a newer one start during its yields stops.
    quint64 m_generation = 0;
};

} // namespace velmora
