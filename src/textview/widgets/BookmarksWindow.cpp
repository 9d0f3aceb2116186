#include "textview/widgets/BookmarksWindow.h"

#include "common/ProgramTitle.h"
#include "data/Database.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmora {

namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kSurahRole = Qt::UserRole + 1;
constexpr int kAyahRole = Qt::UserRole + 2;
constexpr int kWordsShown = 8;

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &tip)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}
} // namespace

BookmarksWindow::BookmarksWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmZabiljeske"));
    setWindowTitle(QStringLiteral("Zabilješke - ") + programTitle());

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstZabiljeske"));
    m_list->setToolTip(QStringLiteral("Zabilježeni ajeti: Enter ili dvostruki klik otvara ajet u tekstu"));
    m_list->setHeaderLabels({QStringLiteral("Ajet"), QStringLiteral("Sura"), QStringLiteral("Početak ajeta"),
                             QStringLiteral("Datum")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);

    m_empty = new QLabel(QStringLiteral("Nema zabilježenih ajeta. Ajet se bilježi iz menija teksta: "
                                        "\"Zabilježi ajet\"."),
                         this);
    m_empty->setObjectName(QStringLiteral("lblNemaZabiljeski"));
    m_empty->setWordWrap(true);

    m_open =
        button(this, "cmdOtvori", QStringLiteral("Otvori"), QStringLiteral("Pokaži ajet u tekstu Kur'ana"));
    m_delete = button(this, "cmdObrisi", QStringLiteral("Obriši"), QStringLiteral("Obriši zabilješku"));
    m_close = button(this, "cmdZatvori", QStringLiteral("Zatvori"), QStringLiteral("Zatvori prozor"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_empty);
    layout->addLayout(buttons);

    connect(m_open, &QPushButton::clicked, this, &BookmarksWindow::openCurrent);
    connect(m_delete, &QPushButton::clicked, this, &BookmarksWindow::deleteCurrent);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &BookmarksWindow::openCurrent);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &BookmarksWindow::updateButtons);

    fill();
    resize(640, 360);
}

void BookmarksWindow::fill()
{
    m_list->clear();
    auto settings = openReaderSettings();
    const QList<Bookmark> bookmarks = Bookmarks::load(*settings);

    const data::Database db = data::Database::open(QStringLiteral("bazabos.mdb"));
    QMap<int, QString> names;
    if (db.isOpen()) {
        for (data::Recordset rows =
                 db.openRecordset(QStringLiteral("SELECT numri, EmriBoshnjakisht FROM sure"));
             rows.isValid() && !rows.eof(); rows.moveNext())
            names.insert(rows.field(0).value_or(QString()).toInt(), rows.field(1).value_or(QString()));
    }
    for (const Bookmark &b : bookmarks) {
        QString text;
        if (db.isOpen()) {
            const data::Recordset row = db.openRecordset(
                QStringLiteral("SELECT tekstajet FROM kuran WHERE nrsure = %1 AND nrajet = %2")
                    .arg(b.place.surah)
                    .arg(b.place.ayah));
            if (!row.isValid() || row.eof())
                continue; // an ayah the store does not hold: a damaged bookmark
            text = row.field(0).value_or(QString());
        }
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, formatAyahRef(b.place));
        item->setText(1, names.value(b.place.surah));
        item->setText(2, firstWords(text, kWordsShown));
        item->setText(3, b.marked.toString(QStringLiteral("dd.MM.yyyy. HH:mm")));
        item->setToolTip(2, text);
        item->setData(0, kKeyRole, b.key);
        item->setData(0, kSurahRole, b.place.surah);
        item->setData(0, kAyahRole, b.place.ayah);
    }
    for (int column = 0; column < m_list->columnCount(); ++column)
        m_list->resizeColumnToContents(column);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->setVisible(m_list->topLevelItemCount() > 0);
    m_empty->setVisible(m_list->topLevelItemCount() == 0);
    updateButtons();
}

void BookmarksWindow::updateButtons()
{
    const bool any = m_list->currentItem() != nullptr;
    m_open->setEnabled(any);
    m_delete->setEnabled(any);
    if (any)
        m_list->setFocus();
    else
        m_close->setFocus();
}

void BookmarksWindow::openCurrent()
{
    const QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    m_chosen = AyahRef{item->data(0, kSurahRole).toInt(), item->data(0, kAyahRole).toInt()};
    accept();
}

void BookmarksWindow::deleteCurrent()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    const int row = m_list->indexOfTopLevelItem(item);
    auto settings = openReaderSettings();
    Bookmarks::remove(*settings, item->data(0, kKeyRole).toString());
    settings->sync();
    fill();
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(std::min(row, m_list->topLevelItemCount() - 1)));
}

bool BookmarksWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrent();
            return true;
        }
        if (key == Qt::Key_Delete) {
            deleteCurrent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velmora
