#include "textview/widgets/AyahPanel.h"

#include "textview/AyahMarker.h"
#include "textview/widgets/RichTextView.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

namespace velmora {

namespace {
const QString kNoAyahYet = QStringLiteral("Arapski tekst i tefsir");
const QString kNeitherColumn = QStringLiteral("Arapski tekst i tefsir nisu u ovoj bazi podataka.");
const QString kNoArabicColumn = QStringLiteral("Arapski tekst nije u ovoj bazi podataka.");
const QString kNoCommentaryColumn = QStringLiteral("Tefsir nije u ovoj bazi podataka.");

// How far past the caret the first ayah is looked for, in paragraphs, before any was shown
// (the headings at the start of the book or of a listing are a few paragraphs).
constexpr int kLookAhead = 64;

QTextEdit *textArea(QWidget *parent, const char *name)
{
    auto *t = new QTextEdit(parent);
    t->setObjectName(QLatin1String(name));
    t->setReadOnly(true);
    t->setUndoRedoEnabled(false);
    t->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tab moves on to the next control instead of staying in the read-only text; a click
    // gives the area the focus, so that a selection there copies with the usual key.
    t->setTabChangesFocus(true);
    // A bar that stays keeps the text's width fixed: a new ayah is laid out once, instead of
    // again when the bar comes or goes.
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setFocusPolicy(Qt::ClickFocus);
    return t;
}

// A text area under a bold caption, as one part of the panel's splitter.
QWidget *captioned(QWidget *parent, const char *labelName, const QString &caption, QTextEdit **area,
                   const char *areaName, const QFont &bold)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto *label = new QLabel(caption, box);
    label->setObjectName(QLatin1String(labelName));
    label->setFont(bold);
    *area = textArea(box, areaName);
    layout->addWidget(label);
    layout->addWidget(*area, 1);
    return box;
}
} // namespace

QString AyahPanel::arabicFontFamily()
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(QStringLiteral("Amiri Quran")))
        return QStringLiteral("Amiri Quran");
    const QStringList arabic = QFontDatabase::families(QFontDatabase::Arabic);
    return arabic.isEmpty() ? QString() : arabic.first();
}

int AyahPanel::clampShare(int permille)
{
    return std::clamp(permille, 150, 750);
}

AyahPanel::AyahPanel(RichTextView *view, QWidget *parent) : QWidget(parent), m_view(view)
{
    setObjectName(QStringLiteral("AyahPanel"));
    setAutoFillBackground(true);

    m_handle = new QWidget(this);
    m_handle->setObjectName(QStringLiteral("AyahPanelHandle"));
    m_handle->setFixedWidth(6);
    m_handle->setCursor(Qt::SplitHCursor);
    m_handle->setToolTip(QStringLiteral("Povucite da promijenite širinu"));
    m_handle->installEventFilter(this);

    m_title = new QLabel(kNoAyahYet, this);
    m_title->setObjectName(QStringLiteral("lblAjet"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblNapomena"));
    m_note->setWordWrap(true);
    m_note->hide();

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(QStringLiteral("AyahPanelSplitter"));
    m_split->setChildrenCollapsible(false);

    // The Arabic text, right to left, large, in a Qur'an font.
    m_arabic = textArea(m_split, "txtTekstArapski");
    QFont arabicFont = m_arabic->font();
    if (const QString family = arabicFontFamily(); !family.isEmpty())
        arabicFont.setFamilies({family});
    arabicFont.setPointSize(20);
    m_arabic->setFont(arabicFont);

    // The translation and the commentary read in the face of the book's text.
    const QFont book = m_view ? m_view->font() : font();
    QWidget *translationBox =
        captioned(m_split, "lblPrijevod", QStringLiteral("Prijevod"), &m_translation, "txtTekstAjet", bold);
    m_translation->setFont(book);
    m_commentaryBox =
        captioned(m_split, "lblTefsir", QStringLiteral("Tefsir"), &m_commentary, "txtTefsir", bold);
    m_commentary->setFont(book);

    m_split->addWidget(m_arabic);
    m_split->addWidget(translationBox);
    m_split->addWidget(m_commentaryBox);
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 2);
    m_split->setStretchFactor(2, 4);

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 4, 4, 0);
    column->setSpacing(4);
    column->addWidget(m_title);
    column->addWidget(m_note);
    column->addWidget(m_split, 1);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_handle);
    row->addLayout(column, 1);

    m_follow.setSingleShot(true);
    m_follow.setInterval(0);
    connect(&m_follow, &QTimer::timeout, this, &AyahPanel::followCaret);
    if (m_view) {
        connect(m_view, &QTextEdit::cursorPositionChanged, this, &AyahPanel::caretMoved);
        // New content (a listing, a report, the whole text again) may hold other paragraphs
        // under the same block number: look at the caret's paragraph again.
        connect(m_view, &QTextEdit::textChanged, this, [this] {
            m_block = -1;
            caretMoved();
        });
    }
    hide();
}

void AyahPanel::setShown(bool shown)
{
    if (shown == !isHidden())
        return;
    setVisible(shown);
    if (shown) {
        m_block = -1;
        followCaret();
    } else {
        m_follow.stop();
    }
}

void AyahPanel::caretMoved()
{
    if (isHidden() || m_follow.isActive())
        return;
    m_follow.start();
}

void AyahPanel::followCaret()
{
    m_follow.stop();
    if (!m_view || isHidden())
        return;
    QTextDocument *doc = m_view->document();
    QTextBlock block = m_view->textCursor().block();
    if (doc == m_doc && block.blockNumber() == m_block)
        return;
    m_doc = doc;
    m_block = block.blockNumber();
    int surah = 0;
    int ayah = 0;
    if (!ayahOfParagraph(block.text(), &surah, &ayah)) {
        // A heading keeps the ayah shown last; before any, the first ayah below is taken.
        if (m_surah != 0)
            return;
        bool found = false;
        for (int i = 0; i < kLookAhead && block.isValid() && !found; ++i, block = block.next())
            found = ayahOfParagraph(block.text(), &surah, &ayah);
        if (!found)
            return;
    }
    showAyah(surah, ayah);
}

void AyahPanel::showAyah(int surah, int ayah)
{
    if (surah == m_surah && ayah == m_ayah)
        return;
    ++m_lookups;
    showEntry(surah, ayah, m_source.lookup(surah, ayah));
}

void AyahPanel::showEntry(int surah, int ayah, const AyahTexts::Entry &entry)
{
    m_surah = surah;
    m_ayah = ayah;
    const QString reference = QStringLiteral("%1:%2").arg(surah).arg(ayah);
    m_title->setText(entry.surahName.isEmpty() ? reference
                                               : entry.surahName + QStringLiteral(", ") + reference);

    // A store without the columns still shows the translation, and says so in one line.
    QString note;
    if (!entry.hasArabic && !entry.hasCommentary)
        note = kNeitherColumn;
    else if (!entry.hasArabic)
        note = kNoArabicColumn;
    else if (!entry.hasCommentary)
        note = kNoCommentaryColumn;
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
    m_arabic->setVisible(entry.hasArabic);
    m_commentaryBox->setVisible(entry.hasCommentary);

    // An ayah the store does not hold, or one without commentary, leaves its areas empty.
    m_arabic->setPlainText(entry.arabic.trimmed());
    // The paragraph runs right to left and stands at the right, whatever the text's first
    // letter (an ayah may open with a digit or a mark).
    QTextCursor all(m_arabic->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat rightToLeft;
    rightToLeft.setLayoutDirection(Qt::RightToLeft);
    rightToLeft.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    all.mergeBlockFormat(rightToLeft);
    m_translation->setPlainText(entry.translation.trimmed());
    m_commentary->setPlainText(entry.commentary.trimmed());
}

QString AyahPanel::titleText() const
{
    return m_title->text();
}

QString AyahPanel::arabicText() const
{
    return m_arabic->toPlainText();
}

QString AyahPanel::translationText() const
{
    return m_translation->toPlainText();
}

QString AyahPanel::commentaryText() const
{
    return m_commentary->toPlainText();
}

QString AyahPanel::noteText() const
{
    return m_note->text();
}

void AyahPanel::setShare(int permille)
{
    m_share = clampShare(permille);
}

bool AyahPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_handle)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_dragging = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        return m_dragging;
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        if (!m_dragging || !m_view || !parentWidget())
            break;
        const bool finished = event->type() == QEvent::MouseButtonRelease;
        if (finished)
            m_dragging = false;
        // The panel reaches from the dragged edge to its right side; the text view and the
        // panel together keep the width from the text view's left edge to that side.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int x = parentWidget()->mapFromGlobal(mouse->globalPosition().toPoint()).x();
        const int right = geometry().right() + 1;
        const int total = right - m_view->x();
        if (total > 0) {
            const int share = clampShare(int(qint64(right - x) * 1000 / total));
            if (share != m_share || finished) {
                m_share = share;
                emit shareChanged(m_share, finished);
            }
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora
