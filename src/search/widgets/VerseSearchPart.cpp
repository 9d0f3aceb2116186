#include "search/widgets/VerseSearchPart.h"
#include "common/ProgramTitle.h"

#include "common/widgets/MessageBoxes.h"
#include "common/widgets/ResultsView.h"
#include "data/DataFolder.h"
#include "data/Database.h"
#include "search/MarkFreeWords.h"
#include "search/SearchHistory.h"
#include "search/VerseQuery.h"
#include "textview/widgets/AyahLocator.h"
#include "textview/widgets/ComboSupport.h"
#include "textview/widgets/RichTextView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

namespace velmora {

namespace {
// The longest the listing loop works between two services of the event loop.
constexpr qint64 kYieldMs = 5;
} // namespace

VerseSearchPart::VerseSearchPart(const Controls &controls, ResultsView &results, QObject *parent)
    : QObject(parent), m_c(controls), m_results(results)
{
    connect(m_c.cmdKerkoAll, &QToolButton::clicked, this, &VerseSearchPart::cmdKerkoAll_Click);
    // The history list acts on a pick from the list only: Enter on, or leaving, a text that
    // equals an entry is no pick. The box searches the text as typed, so it does not complete
    // what the reader types from its entries either.
    activateOnPickOnly(m_c.CmbKerkoKrejt);
    m_c.CmbKerkoKrejt->setCompleter(nullptr);
    connect(m_c.CmbKerkoKrejt, &QComboBox::activated, this, &VerseSearchPart::CmbKerkoKrejt_Click);
    // The combo box itself holds the keyboard focus and hands keys and focus on to its edit
    // field directly, past any filter of the field: the box is what is watched.
    m_watchedBox = m_c.CmbKerkoKrejt;
    m_c.CmbKerkoKrejt->installEventFilter(this);
    if (m_c.chkBezKvacica)
        connect(m_c.chkBezKvacica, &QCheckBox::toggled, this, &VerseSearchPart::saveSearchOptions);
}

QString VerseSearchPart::ignoreMarksKey()
{
    return QStringLiteral("Traženje/Bez kvačica");
}

void VerseSearchPart::loadSearchOptions()
{
    if (!m_c.chkBezKvacica)
        return;
    auto settings = openSettings();
    // Anything but a kept "true" (nothing kept, a damaged value) leaves the box unticked.
    const bool ticked = settings->value(ignoreMarksKey()).toString() == QLatin1String("true");
    const QSignalBlocker block(m_c.chkBezKvacica);
    m_c.chkBezKvacica->setChecked(ticked);
}

void VerseSearchPart::saveSearchOptions()
{
    if (!m_c.chkBezKvacica)
        return;
    // Written at once: the state outlives a run that ends by "Kraj" or by a crash.
    auto settings = openSettings();
    settings->setValue(ignoreMarksKey(),
                       m_c.chkBezKvacica->isChecked() ? QStringLiteral("true") : QStringLiteral("false"));
}

std::unique_ptr<QSettings> VerseSearchPart::openSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), programTitle());
}

bool VerseSearchPart::eventFilter(QObject *watched, QEvent *event)
{
    // Only the plain object pointer is compared: while the window is torn down the box may
    // already be half destroyed (only its QWidget part left), and it may be neither called nor
    // even cast to a combo box then. qobject_cast asks the object itself what it still is.
    if (watched != m_watchedBox)
        return QObject::eventFilter(watched, event);
    auto *box = qobject_cast<QComboBox *>(watched);
    if (!box)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // Enter searches, whatever the shift state; the key still goes on to the box. The
        // search runs once the key has been handled, outside the key's own dispatch.
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            QTimer::singleShot(0, this, &VerseSearchPart::cmdKerkoAll_Click);
    } else if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // The focus coming back from the box's own list or from another program is not the
        // box receiving the focus; the text and caret stay as the reader left them.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            // Selected after the event: a mouse click that brought the focus places the caret
            // when it reaches the edit field, after the focus has arrived.
            QTimer::singleShot(0, this, [guarded = QPointer<QComboBox>(box)] {
                if (guarded && guarded->hasFocus() && guarded->lineEdit())
                    guarded->lineEdit()->selectAll();
            });
        }
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
    tellReader(m_c.frmMain, QStringLiteral("Traženje ajeta nije uspjelo: ") + reason);
    // Leave the results view: the whole text comes back instead of the waiting text.
    if (m_results.isResultsView())
        m_results.leaveResultsView();
}

void VerseSearchPart::cmdKerkoAll_Click()
{
    const QString searchText = m_c.CmbKerkoKrejt->currentText();
    if (searchText.isEmpty()) {
        tellReader(m_c.frmMain, QStringLiteral("Upisite rijec koju trazite!"));
        m_c.CmbKerkoKrejt->setFocus();
        return;
    }
    const bool restrict = m_c.ChkKerkoSure->isChecked();
    const QString surahText = m_c.CmbNrSure->currentText();
    const bool ignoreMarks = m_c.chkBezKvacica && m_c.chkBezKvacica->isChecked();
    const VerseQuery query = buildVerseQuery(searchText, restrict, surahText, m_words, ignoreMarks);
    if (!query.tooManyForms.isEmpty()) {
        tellReader(m_c.frmMain,
                   QStringLiteral("Riječ \"%1\" ima previše slova \"dj\" za traženje bez kvačica. "
                                  "Upišite je sa slovom \"đ\" gdje ga ima ili isključite \"Bez kvačica\".")
                       .arg(query.tooManyForms));
        m_c.CmbKerkoKrejt->setFocus();
        return;
    }
    if (!query.ok) {
        tellReader(m_c.frmMain,
                   QStringLiteral("Traženje unutar sure: u polju \"Sure\" mora stajati broj sure "
                                  "od 1 do 114, a ne \"%1\".")
                       .arg(surahText));
        return;
    }

    const quint64 generation = ++m_generation;
    QPointer<RichTextView> view = m_c.Rtf1;
    QPointer<QObject> self = this;
    auto abandoned = [&] { return !self || !view || generation != m_generation; };

    m_results.enterResultsView();
    view->setText(waitingText());

    data::Database db = data::Database::open(DataFolder::storeName());
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
    // The event loop is served after the first row (the waiting text is painted) and then
    // every few milliseconds: the window answers as promptly as with a yield per row, without
    // thousands of yields that only slow a long listing down.
    QElapsedTimer sinceYield;
    while (!rows.eof()) {
        lines += ayahLine(rows.field(0).value_or(QString()), rows.field(1).value_or(QString()),
                          rows.field(2).value_or(QString()));
        rows.moveNext();
        ++count;
        if (count == 1 || sinceYield.hasExpired(kYieldMs)) {
            QCoreApplication::processEvents();
            sinceYield.start();
            if (abandoned())
                return;
        }
    }

    const QString surahName = m_c.CmbEmrSure->currentText();
    view->setText(listingText(summaryLine(count, searchText, restrict, surahName), lines));

    colourWords(view, searchText, ignoreMarks, abandoned);
    if (abandoned())
        return;

    QStringList list = history();
    SearchHistory::record(list, searchText);
    setHistory(list);
}

void VerseSearchPart::colourWords(RichTextView *view, const QString &searchText, bool ignoreMarks,
                                  const std::function<bool()> &abandoned)
{
    QStringList words;
    if (searchText.contains(QLatin1Char('&'))) {
        for (int i = 1; i <= m_words.Count(); ++i)
            words.append(m_words.Item(i)->Text());
    } else {
        words.append(searchText);
    }
    for (const QString &word : words) {
        if (!ignoreMarks) {
            SkuqjeFjalesh(view, word);
        } else if (!word.isEmpty()) {
            // The same forms as the store's query, so that what is red is what was found. A
            // word with nothing to widen and no pattern characters is its only form, and is
            // found as it is.
            const QStringList forms = markFreeForms(word);
            static const QRegularExpression patternCharacters(QStringLiteral("[*?#\\[]"));
            if (forms == QStringList{word} && !word.contains(patternCharacters))
                SkuqjeFjalesh(view, word);
            else
                SkuqjeFjalesh(view, markFreeExpression(forms));
        }
        if (abandoned())
            return;
    }
}

} // namespace velmora
