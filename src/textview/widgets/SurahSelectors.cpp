#include "textview/widgets/SurahSelectors.h"

#include "data/DataFolder.h"
#include "data/DataSource.h"
#include "data/Database.h"
#include "textview/widgets/ComboSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>

namespace velmora {

namespace {
const QString kFieldNumber = QStringLiteral("Numri");
const QString kFieldName = QStringLiteral("EmriBoshnjakisht");
const QString kFieldCount = QStringLiteral("Nr i ajeteve");
const QString kIndexNumber = QStringLiteral("numri");
const QString kIndexName = QStringLiteral("emriboshnjakisht");
const QString kIndexCount = QStringLiteral("nr i ajeteve");

const QString kFirstSurah = QStringLiteral("1");
const QString kFirstName = QStringLiteral("Fatiha");
const QString kFirstCount = QStringLiteral("7");
const QString kFirstAyah = QStringLiteral("1");

bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
} // namespace

SurahSelectors::SurahSelectors(QComboBox *nrSure, QComboBox *emrSure, QComboBox *totalAjete,
                               QComboBox *nrAjeti, data::DataSource *source, Options options, QObject *parent)
    : QObject(parent), m_nrSure(nrSure), m_emrSure(emrSure), m_totalAjete(totalAjete), m_nrAjeti(nrAjeti),
      m_source(source), m_options(std::move(options))
{
    for (QComboBox *combo : {nrSure, emrSure, totalAjete, nrAjeti}) {
        // A typed text is never added to the list; the list holds what the table holds.
        combo->setInsertPolicy(QComboBox::NoInsert);
        activateOnPickOnly(combo);
        combo->installEventFilter(this);
        // Keys typed while the list is down reach the list's view first.
        combo->view()->installEventFilter(this);
        connect(combo, &QComboBox::activated, this, [this, combo] { clickOf(combo); });
    }
}

// ---- Fill routines ------------------------------------------------------------------------

void SurahSelectors::fillFromTable(QComboBox *combo, const QString &field, bool sorted)
{
    if (!combo)
        return;
    QStringList items;
    if (m_source) {
        data::Recordset copy = m_source->table().clone();
        for (; copy.isValid() && !copy.eof(); copy.moveNext())
            items.append(copy.field(field).value_or(QString()));
    }
    fillCombo(combo, sorted ? sortedForList(items) : items);
}

void SurahSelectors::AddItemCMBO1()
{
    fillFromTable(m_nrSure, kFieldNumber, false);
}

void SurahSelectors::AddItemCMBO2()
{
    fillFromTable(m_emrSure, kFieldName, true);
}

void SurahSelectors::AddItemCMBO3()
{
    fillFromTable(m_totalAjete, kFieldCount, false);
}

void SurahSelectors::addItemCmbNrAjet()
{
    std::optional<QString> count;
    if (m_source)
        count = m_source->table().field(kFieldCount);
    fillAyahList(count.value_or(QString()));
}

bool SurahSelectors::fillAyahList(const QString &count)
{
    if (!m_nrAjeti)
        return false;
    bool ok = false;
    const int n = count.trimmed().toInt(&ok);
    QStringList items;
    if (ok) {
        items.reserve(std::max(n, 0));
        for (int i = 1; i <= n; ++i)
            items.append(QString::number(i));
    }
    fillCombo(m_nrAjeti, items);
    return ok && n >= 0;
}

void SurahSelectors::refillAndReset()
{
    AddItemCMBO1();
    AddItemCMBO2();
    AddItemCMBO3();
    // The ayah list belongs to the surah the selectors show after the reset: surah 1 becomes
    // the current surah, whichever surah was current before (the reader may come back from
    // another window after choosing a later surah).
    if (m_source) {
        data::TableRecordset &table = m_source->table();
        if (table.setIndex(kIndexNumber))
            table.seek(kFirstSurah);
    }
    addItemCmbNrAjet();
    if (m_nrSure)
        m_nrSure->setEditText(kFirstSurah);
    if (m_emrSure)
        m_emrSure->setEditText(kFirstName);
    if (m_nrAjeti)
        m_nrAjeti->setEditText(kFirstAyah);
    if (m_totalAjete)
        m_totalAjete->setEditText(kFirstCount);
}

// ---- Click handlers -----------------------------------------------------------------------

void SurahSelectors::runClick(QComboBox *own, const QString &fallback, Step step)
{
    if ((this->*step)())
        return;
    if (!own)
        return;
    own->setEditText(fallback);
    (this->*step)();
}

void SurahSelectors::CmbNrSure_Click()
{
    runClick(m_nrSure, kFirstSurah, &SurahSelectors::stepNrSure);
}

void SurahSelectors::CmbEmrSure_Click()
{
    runClick(m_emrSure, kFirstName, &SurahSelectors::stepEmrSure);
}

void SurahSelectors::CmbTotalAjete_Click()
{
    runClick(m_totalAjete, kFirstCount, &SurahSelectors::stepTotalAjete);
}

void SurahSelectors::CmbNrAjeti_Click()
{
    runClick(m_nrAjeti, kFirstAyah, &SurahSelectors::stepNrAjeti);
}

bool SurahSelectors::afterChoice()
{
    return !m_options.afterChoice || m_options.afterChoice();
}

bool SurahSelectors::stepNrSure()
{
    if (!m_nrSure || !m_emrSure || !m_totalAjete || !m_nrAjeti || !m_source)
        return false;
    if (m_nrSure->currentText().isEmpty())
        m_nrSure->setEditText(kFirstSurah);
    data::TableRecordset &table = m_source->table();
    if (!table.setIndex(kIndexNumber) || !table.seek(m_nrSure->currentText()))
        return false;
    const std::optional<QString> name = table.field(kFieldName);
    const std::optional<QString> count = table.field(kFieldCount);
    if (!name || !count)
        return false;
    m_emrSure->setEditText(*name);
    m_totalAjete->setEditText(*count);
    if (!fillAyahList(*count))
        return false;
    m_nrAjeti->setEditText(kFirstAyah);
    return afterChoice();
}

bool SurahSelectors::stepTotalAjete()
{
    if (!m_nrSure || !m_emrSure || !m_totalAjete || !m_nrAjeti || !m_source)
        return false;
    if (m_totalAjete->currentText().isEmpty())
        m_totalAjete->setEditText(kFirstCount);
    data::TableRecordset &table = m_source->table();
    if (!table.setIndex(kIndexCount) || !table.seek(m_totalAjete->currentText()))
        return false;
    const std::optional<QString> number = table.field(kFieldNumber);
    const std::optional<QString> name = table.field(kFieldName);
    const std::optional<QString> count = table.field(kFieldCount);
    if (!number || !name || !count)
        return false;
    m_nrSure->setEditText(*number);
    m_emrSure->setEditText(*name);
    if (!fillAyahList(*count))
        return false;
    m_nrAjeti->setEditText(kFirstAyah);
    return afterChoice();
}

bool SurahSelectors::stepEmrSure()
{
    if (!m_nrSure || !m_emrSure || !m_totalAjete || !m_nrAjeti)
        return false;
    if (m_emrSure->currentText().isEmpty())
        m_emrSure->setEditText(kFirstName);
    const QString name = m_emrSure->currentText();

    std::optional<QString> number;
    std::optional<QString> count;
    if (m_options.nameBySeek) {
        if (!m_source)
            return false;
        data::TableRecordset &table = m_source->table();
        if (!table.setIndex(kIndexName) || !table.seek(name))
            return false;
        number = table.field(kFieldNumber);
        count = table.field(kFieldCount);
    } else {
        // The name goes into the query text as a quoted literal, its apostrophes doubled, so
        // that names such as Ali-'Imran are found rather than breaking the query.
        const data::Database db = data::Database::open(DataFolder::storeName());
        if (!db.isOpen())
            return false;
        data::Recordset rows = db.openRecordset(QStringLiteral("SELECT * FROM sure WHERE emriboshnjakisht=") +
                                                data::quoteSingle(name));
        if (!rows.isValid() || rows.eof())
            return false;
        number = rows.field(kFieldNumber);
        count = rows.field(kFieldCount);
    }
    if (!number || !count)
        return false;
    m_nrSure->setEditText(*number);
    m_totalAjete->setEditText(*count);
    if (!fillAyahList(*count))
        return false;
    m_nrAjeti->setEditText(kFirstAyah);
    return afterChoice();
}

bool SurahSelectors::stepNrAjeti()
{
    if (!m_nrSure || !m_emrSure || !m_nrAjeti)
        return false;
    if (m_nrAjeti->currentText().isEmpty())
        m_nrAjeti->setEditText(kFirstAyah);
    if (m_nrSure->currentText().isEmpty()) {
        m_nrSure->setEditText(kFirstSurah);
        m_emrSure->setEditText(kFirstName);
    }
    return afterChoice();
}

void SurahSelectors::clickOf(QComboBox *combo)
{
    if (combo == m_nrSure)
        CmbNrSure_Click();
    else if (combo == m_emrSure)
        CmbEmrSure_Click();
    else if (combo == m_totalAjete)
        CmbTotalAjete_Click();
    else if (combo == m_nrAjeti)
        CmbNrAjeti_Click();
}

void SurahSelectors::enterIn(QComboBox *combo)
{
    if (m_options.onEnter)
        m_options.onEnter();
    else
        clickOf(combo);
}

// ---- Keyboard and focus -------------------------------------------------------------------

void SurahSelectors::dropDown(QComboBox *combo)
{
    if (!combo || !combo->isVisible())
        return;
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const int row = combo->findText(combo->currentText());
    if (row >= 0) {
        const QModelIndex index = combo->model()->index(row, combo->modelColumn(), combo->rootModelIndex());
        view->setCurrentIndex(index);
        view->scrollTo(index);
    } else if (QItemSelectionModel *selection = view->selectionModel()) {
        selection->clear();
    }
}

QComboBox *SurahSelectors::comboOfView(QObject *view) const
{
    for (QComboBox *combo : {m_nrSure.data(), m_emrSure.data(), m_totalAjete.data(), m_nrAjeti.data()}) {
        if (combo && combo->view() == view)
            return combo;
    }
    return nullptr;
}

bool SurahSelectors::popupKey(QComboBox *combo, QEvent *event)
{
    auto *key = static_cast<QKeyEvent *>(event);
    if (isEnter(key)) {
        // Enter on the entry that the field already shows, or with no entry highlighted, is
        // Enter in the field; Enter on an entry the reader moved to picks that entry.
        const QModelIndex current = combo->view()->currentIndex();
        const bool moved = current.isValid() && combo->itemText(current.row()) != combo->currentText();
        if (moved)
            return false;
        combo->hidePopup();
        enterIn(combo);
        return true;
    }
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        // Tab leaves a dropped-down list as it leaves a field of the desktop: the list folds
        // away, the entry under the cursor is taken as a pick would take it, and the focus
        // moves on (a completed choice puts it into the text).
        const QModelIndex current = combo->view()->currentIndex();
        const QPointer<QComboBox> guard(combo);
        combo->hidePopup();
        if (current.isValid()) {
            combo->setCurrentIndex(current.row());
            clickOf(combo);
        }
        if (guard && combo->hasFocus()) {
            QKeyEvent tab(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(combo, &tab);
        }
        return true;
    }
    bool editing = false;
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        editing = true;
        break;
    default:
        editing = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                  !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        break;
    }
    if (!editing)
        return false;
    // Typing goes to the edit field, as in a dropped-down field of the desktop: the list
    // folds away and the key reaches the field.
    combo->hidePopup();
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
    QCoreApplication::sendEvent(combo, &copy);
    return true;
}

bool SurahSelectors::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        if (QComboBox *combo = comboOfView(watched))
            return popupKey(combo, event);
        auto *combo = qobject_cast<QComboBox *>(watched);
        if (combo && isEnter(static_cast<QKeyEvent *>(event))) {
            // The click handler runs, and the key still goes on to the edit field.
            enterIn(combo);
            return false;
        }
    } else if (event->type() == QEvent::FocusIn && m_options.dropDownOnFocus) {
        auto *combo = qobject_cast<QComboBox *>(watched);
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // The list closing, or the window becoming active again, hands the focus back: that
        // is not the selector receiving the focus.
        if (combo && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
            QPointer<QComboBox> guard(combo);
            // Reached by the keyboard or from code, the field's text is selected, so that
            // typing replaces it; a mouse click keeps the caret where it was clicked.
            const bool selectText = reason != Qt::MouseFocusReason;
            QMetaObject::invokeMethod(
                this,
                [guard, selectText] {
                    if (!guard || !guard->hasFocus() || guard->view()->isVisible())
                        return;
                    dropDown(guard);
                    if (selectText && guard->lineEdit())
                        guard->lineEdit()->selectAll();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmora
