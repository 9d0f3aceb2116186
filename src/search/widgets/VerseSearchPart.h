#pragma once

#include "app/widgets/MainControls.h"
#include "search/FjalKerkim.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QSettings;

namespace velmora {

// The verse search of the main window: the word box CmbKerkoKrejt with its history, the
// restriction to the selected surah and the listing of the found ayahs in Rtf1.
class VerseSearchPart : public QObject {
    Q_OBJECT
public:
    explicit VerseSearchPart(MainControls &controls, QObject *parent = nullptr);

    void cmdKerkoAll_Click();
    void CmbKerkoKrejt_Click();
    void ListaEFjaleveTeKerkuaraGetSetting();
    void ListaEFjaleveTeKerkuaraSaveSetting();

    const FjalKerkim &words() const { return m_words; }
    QString strSQL() const { return m_strSQL; }
    QStringList history() const;

    // The settings store of the history; tests point it elsewhere.
    static std::unique_ptr<QSettings> openSettings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHistory(const QStringList &list);
    void failSearch(const QString &reason);

    MainControls &m_c;
    QPointer<QComboBox> m_box; // CmbKerkoKrejt, whose keys and focus are watched
    FjalKerkim m_words;
    QString m_strSQL;
    // Counts searches; a search that sees a newer one start during its yields stops.
    quint64 m_generation = 0;
};

} // namespace velmora
