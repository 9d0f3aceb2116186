#include "search/widgets/VerseSearchPart.h"
#include "app/ProgramTitle.h"

#include "app/widgets/MainWindow.h"
#include "data/Database.h"
#include "search/SearchHistory.h"
#include "search/VerseQuery.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/RichTextView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

namespace velmora {

VerseSearchPart::VerseSearchPart(MainControls &controls, QObject *parent) : QObject(parent), m_c(controls)
{
    connect(m_c.cmdKerkoAll, &QToolButton::clicked, this, &VerseSearchPart::cmdKerkoAll_Click);
    connect(m_c.CmbKerkoKrejt, &QComboBox::activated, this, &VerseSearchPart::CmbKerkoKrejt_Click);
    m_c.CmbKerkoKrejt->installEventFilter(this);
    if (QLineEdit *edit = m_c.CmbKerkoKrejt->lineEdit())
        edit->installEventFilter(this);
    connect(m_c.frmMain, &MainWindow::historyLoadRequested, this,
            &VerseSearchPart::ListaEFjaleveTeKerkuaraGetSetting);
    connect(m_c.frmMain, &MainWindow::historySaveRequested, this,
            &VerseSearchPart::ListaEFjaleveTeKerkuaraSaveSetting);
}

std::unique_ptr<QSettings> VerseSearchPart::openSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), programTitle());
}

bool VerseSearchPart::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *edit = m_c.CmbKerkoKrejt->lineEdit();
    if (event->type() == QEvent::KeyPress && (watched == edit || watched == m_c.CmbKerkoKrejt)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // Enter searches, whatever the shift state; the key still goes on to the box.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == edit || !edit)
                QTimer::singleShot(0, this, &VerseSearchPart::cmdKerkoAll_Click);
        }
    } else if (event->type() == QEvent::FocusIn && watched == edit) {
        // Focus selects the whole text, so that typing replaces it. Deferred, because a mouse
        // click that brought the focus would place the caret afterwards.
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return QObject::eventFilter(watched, event);
}

QStringList VerseSearchPart::history() const
{
    QStringList list;
    for (int i = 0; i < m_c.CmbKerkoKrejt->count(); ++i)
        list.append(m_c.CmbKerkoKrejt->itemText(i));
    return list;
}

void VerseSearchPart::setHistory(const QStringList &list)
{
    // Changing the list must not change what the box shows.
    const QString text = m_c.CmbKerkoKrejt->currentText();
    const QSignalBlocker block(m_c.CmbKerkoKrejt);
    m_c.CmbKerkoKrejt->clear();
    m_c.CmbKerkoKrejt->addItems(list);
    m_c.CmbKerkoKrejt->setCurrentIndex(-1);
    m_c.CmbKerkoKrejt->setEditText(text);
}

void VerseSearchPart::ListaEFjaleveTeKerkuaraGetSetting()
{
    auto settings = openSettings();
    setHistory(SearchHistory::load(*settings));
}

void VerseSearchPart::ListaEFjaleveTeKerkuaraSaveSetting()
{
    auto settings = openSettings();
    SearchHistory::save(*settings, history());
}

void VerseSearchPart::CmbKerkoKrejt_Click()
{
    QStringList list = history();
    SearchHistory::pick(list);
    if (list.size() != m_c.CmbKerkoKrejt->count())
        setHistory(list);
}

void VerseSearchPart::failSearch(const QString &reason)
{
    MainWindow::message(m_c.frmMain, QStringLiteral("Trazenje ajeta nije uspjelo: ") + reason);
    // Leave the results view: the whole text comes back instead of the waiting text.
    if (m_c.frmMain->isResultsView())
        m_c.frmMain->leaveResultsView();
}

void VerseSearchPart::cmdKerkoAll_Click()
{
    const QString searchText = m_c.CmbKerkoKrejt->currentText();
    if (searchText.isEmpty()) {
        MainWindow::message(m_c.frmMain, QStringLiteral("Upisite rijec koju trazite!"));
        m_c.CmbKerkoKrejt->setFocus();
        return;
    }
    const bool restrict = m_c.ChkKerkoSure->isChecked();
    const QString surahText = m_c.CmbNrSure->currentText();
    const VerseQuery query = buildVerseQuery(searchText, restrict, surahText, m_words, &m_strSQL);
    if (!query.ok) {
        MainWindow::message(m_c.frmMain,
                            QStringLiteral("Trazenje unutar sure: u polju \"Sure\" mora stajati broj sure "
                                           "od 1 do 114, a ne \"%1\".")
                                .arg(surahText));
        return;
    }

    const quint64 generation = ++m_generation;
    QPointer<RichTextView> view = m_c.Rtf1;
    QPointer<QObject> self = this;
    auto abandoned = [&] { return !self || !view || generation != m_generation; };

    m_c.frmMain->enterResultsView();
    view->setText(waitingText());

    data::Database db = data::Database::open(QStringLiteral("bazabos.mdb"));
    if (!db.isOpen()) {
        failSearch(db.errorString());
        return;
    }
    data::Recordset rows = db.openRecordset(query.sql);
    if (!rows.isValid()) {
        failSearch(rows.errorString());
        return;
    }
    QString lines;
    int count = 0;
    while (!rows.eof()) {
        lines += ayahLine(rows.field(0).value_or(QString()), rows.field(1).value_or(QString()),
                          rows.field(2).value_or(QString()));
        rows.moveNext();
        ++count;
        QCoreApplication::processEvents();
        if (abandoned())
            return;
    }

    const QString surahName = m_c.CmbEmrSure->currentText();
    view->setText(listingText(summaryLine(count, searchText, restrict, surahName), lines));

    if (searchText.contains(QLatin1Char('&'))) {
        for (int i = 1; i <= m_words.Count(); ++i) {
            const QString word = m_words.Item(i)->Text();
            SkuqjeFjalesh(view, word);
            if (abandoned())
                return;
        }
    } else {
        SkuqjeFjalesh(view, searchText);
        if (abandoned())
            return;
    }

    QStringList list = history();
    SearchHistory::record(list, searchText);
    setHistory(list);
}

} // namespace velmora
