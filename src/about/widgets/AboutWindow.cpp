#include "about/widgets/AboutWindow.h"
#include "common/widgets/ImageList.h"

#include "about/Contact.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

// The resources live in a static library; their registration must be referenced to be linked.
static void initVelmoraResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace velmora {

namespace {

const char kIndexProperty[] = "index";

// Indexes of the link labels in the Label1 array.
constexpr int kFirstWebLink = 40;
constexpr int kSecondWebLink = 42;

// Size of the link pointer and the point of it that aims (the tip of the index finger).
constexpr int kPointerSize = 32;
const QPoint kPointerHotSpot(11, 1);

AboutWindow::UrlOpener &openerSlot()
{
    static AboutWindow::UrlOpener opener;
    return opener;
}

void openWithDesktop(const QUrl &url)
{
    // Hands the address to the desktop, which starts the browser or mail program on its own;
    // the outcome is not waited for.
    QDesktopServices::openUrl(url);
}

QString programTitle()
{
    return QStringLiteral("Velmora 4.0");
}

} // namespace

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    initVelmoraResources();
    setObjectName(QStringLiteral("frmRrethProg"));
    setWindowTitle(QStringLiteral("O programu ") + programTitle());
    setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.svg")));
    setModal(true);
    setMouseTracking(true);

    ImageList1 = new ImageList(this);
    ImageList1->add(drawLinkPointer());

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    // Mouse events on the tab control (its tab row and frame) stay with it; they are not
    // clicks or moves on the window's background.
    SSTab1->setAttribute(Qt::WA_NoMousePropagation);

    // Tab "Program": what the program is and what it offers.
    QWidget *program = addContainer(2, QStringLiteral("Program"));
    auto *programLayout = new QVBoxLayout(program);
    QLabel *title = addLabel(program, 0, programTitle());
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    title->setFont(titleFont);
    programLayout->addWidget(title);
    programLayout->addWidget(
        addLabel(program, 1,
                 QStringLiteral("Velmora je program za čitanje Kur'ana u prijevodu na bosanski jezik. "
                                "Prikazuje cijeli prijevod, a uz njega nudi:")));
    programLayout->addWidget(
        addLabel(program, 2,
                 QStringLiteral("• čitanje i kretanje kroz tekst: prelazak na bilo koju suru i ajet po broju "
                                "sure, po nazivu sure ili po broju ajeta u suri;\n"
                                "• pretragu ajeta po jednoj riječi ili po više riječi spojenih znakom \"&\", "
                                "u cijelom Kur'anu ili samo u odabranoj suri;\n"
                                "• traženje dijela teksta naprijed ili nazad od kursora;\n"
                                "• tematski indeks: teme kao stablo poglavlja i tema ili kao abecedni "
                                "spisak, sa svim ajetima koji pripadaju odabranoj temi;\n"
                                "• učenje (recitaciju) na arapskom jeziku jednog ajeta, jedne sure ili "
                                "cijelog Kur'ana, sa CD-a učenja ili njegove kopije.")));
    programLayout->addStretch(1);

    // Tab "Obrada": who made the texts the program shows, as pairs of role and names.
    QWidget *credits = addContainer(1, QStringLiteral("Obrada"));
    auto *creditsLayout = new QGridLayout(credits);
    const std::pair<QString, QString> roles[] = {
        {QStringLiteral("Prijevod:"),
         QStringLiteral("Besim Korkut, Kur'an s prijevodom (prijevod značenja Kur'ana na bosanski "
                        "jezik).")},
        {QStringLiteral("Tefsir:"),
         QStringLiteral("Skraćeni tefsir Plemenitog Kur'ana (el-Muhtesar), u prijevodu na bosanski "
                        "jezik; na tefsiru je radilo više od dvadeset alima i stručnjaka iz oblasti "
                        "tefsira.")},
        {QStringLiteral("Izvor teksta:"),
         QStringLiteral("Tekst prijevoda i tefsira preuzet je iz paketa @kmaslesa/tefsir (Kenan "
                        "Maslesa), koji ih je preuzeo sa stranice QuranEnc.")},
        {QStringLiteral("Tematski indeks:"),
         QStringLiteral("Izveden automatski, prema ključnim riječima u tekstu prijevoda. Nije ga "
                        "sastavio stručnjak, pa može izostaviti neki ajet ili navesti ajet koji "
                        "temi ne pripada.")},
        {QStringLiteral("Učenje:"),
         QStringLiteral("Zvučni zapisi učenja nalaze se na CD-u učenja; program ih ne sadrži.")},
    };
    int row = 0;
    for (const auto &[role, names] : roles) {
        QLabel *roleLabel = addLabel(credits, 10 + 2 * row, role);
        QFont bold = roleLabel->font();
        bold.setBold(true);
        roleLabel->setFont(bold);
        roleLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
        roleLabel->setWordWrap(false);
        creditsLayout->addWidget(roleLabel, row, 0);
        creditsLayout->addWidget(addLabel(credits, 11 + 2 * row, names), row, 1);
        ++row;
    }
    creditsLayout->setColumnStretch(1, 1);
    creditsLayout->setRowStretch(row, 1);

    // Tab "Zahvala": thanks and a notice on the use of the texts.
    QWidget *thanks = addContainer(3, QStringLiteral("Zahvala"));
    auto *thanksLayout = new QVBoxLayout(thanks);
    thanksLayout->addWidget(
        addLabel(thanks, 20,
                 QStringLiteral("Zahvaljujemo prevodiocu Besimu Korkutu, alimima i stručnjacima koji su "
                                "pripremili skraćeni tefsir i njegov prijevod na bosanski jezik, te svima "
                                "koji su tekst prijevoda i tefsira učinili slobodno dostupnim.")));
    QLabel *noticeTitle = addLabel(thanks, 21, QStringLiteral("Napomena"));
    QFont noticeFont = noticeTitle->font();
    noticeFont.setBold(true);
    noticeTitle->setFont(noticeFont);
    thanksLayout->addSpacing(8);
    thanksLayout->addWidget(noticeTitle);
    thanksLayout->addWidget(addLabel(
        thanks, 22,
        QStringLiteral("Ovaj program je pomoćno sredstvo za čitanje i proučavanje. Prijevod i tefsir "
                       "su ljudsko djelo i ne zamjenjuju arapski izvornik Kur'ana. Tematski indeks je "
                       "izveden automatski; prije nego što ajet navedete uz neku temu, pročitajte ga "
                       "u cijelom tekstu.")));
    thanksLayout->addStretch(1);

    // Tab "Kontakt": where news about the program is, and where to send additions and fixes.
    QWidget *contact = addContainer(4, QStringLiteral("Kontakt"));
    auto *contactLayout = new QVBoxLayout(contact);
    contactLayout->addWidget(addLabel(
        contact, 38, QStringLiteral("Vijesti o programu i njegove nove verzije potražite na web adresama:")));
    for (int index : {kFirstWebLink, kSecondWebLink}) {
        const int which = index == kFirstWebLink ? 1 : 2;
        QLabel *link = addLabel(contact, index, QString());
        makeLink(link, contact::linkCaption(contact::webPage(which)));
        link->setToolTip(QStringLiteral("Kliknite desnim gumbom da bi kopirali adresu"));
        contactLayout->addWidget(link, 0, Qt::AlignLeft);
    }
    contactLayout->addSpacing(12);
    contactLayout->addWidget(
        addLabel(contact, 44, QStringLiteral("Dopune, izuzetke ili ispravke pošaljite na adresu:")));
    lblHyperlink = new QLabel(contact);
    lblHyperlink->setObjectName(QStringLiteral("lblHyperlink"));
    makeLink(lblHyperlink, contact::linkCaption(contact::mailAddress()));
    contactLayout->addWidget(lblHyperlink, 0, Qt::AlignLeft);
    contactLayout->addStretch(1);

    Command1 = new QPushButton(QStringLiteral("Natrag"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &AboutWindow::Command1_Click);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(SSTab1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    layout->addLayout(buttons);

    resize(560, 420);
}

AboutWindow::~AboutWindow() = default;

QColor AboutWindow::linkColorAtRest()
{
    return QColor(0, 0, 192);
}

QColor AboutWindow::linkColorHover()
{
    return QColor(255, 0, 0);
}

void AboutWindow::setUrlOpener(UrlOpener opener)
{
    openerSlot() = std::move(opener);
}

AboutWindow::UrlOpener AboutWindow::urlOpener()
{
    const UrlOpener &opener = openerSlot();
    if (opener)
        return opener;
    return &openWithDesktop;
}

QPixmap AboutWindow::drawLinkPointer()
{
    // A white pointing hand with a black outline, the index finger pointing up.
    QPainterPath hand;
    hand.addRoundedRect(QRectF(9, 0.5, 5, 19), 2.5, 2.5);       // index finger
    hand.addRoundedRect(QRectF(13.5, 9, 4.5, 12), 2.2, 2.2);    // middle finger
    hand.addRoundedRect(QRectF(17.5, 10, 4.5, 12), 2.2, 2.2);   // ring finger
    hand.addRoundedRect(QRectF(21.5, 11.5, 4.5, 11), 2.2, 2.2); // little finger
    hand.addRoundedRect(QRectF(9, 17, 17, 13.5), 4, 4);         // palm
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-2.5, -2.2, 11, 4.4), 2.2, 2.2);
    QTransform thumbPlace;
    thumbPlace.translate(7.5, 19);
    thumbPlace.rotate(40);
    hand = hand.united(thumbPlace.map(thumb)).simplified();

    QPixmap image(kPointerSize, kPointerSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    // Creases between the fingers.
    painter.setPen(QPen(Qt::black, 0.9));
    painter.drawLine(QPointF(13.7, 12), QPointF(13.7, 20));
    painter.drawLine(QPointF(17.7, 12), QPointF(17.7, 20.5));
    painter.drawLine(QPointF(21.7, 13.5), QPointF(21.7, 21));
    painter.end();
    return image;
}

QWidget *AboutWindow::addContainer(int index, const QString &tabText)
{
    auto *container = new QWidget;
    container->setObjectName(QStringLiteral("Picture1"));
    container->setProperty(kIndexProperty, index);
    container->setMouseTracking(true);
    container->setAttribute(Qt::WA_NoMousePropagation);
    container->installEventFilter(this);
    Picture1.insert(index, container);
    SSTab1->addTab(container, tabText);
    return container;
}

QLabel *AboutWindow::addLabel(QWidget *container, int index, const QString &text)
{
    auto *label = new QLabel(text, container);
    label->setObjectName(QStringLiteral("Label1"));
    label->setProperty(kIndexProperty, index);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMouseTracking(true);
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->installEventFilter(this);
    Label1.insert(index, label);
    return label;
}

void AboutWindow::makeLink(QLabel *label, const QString &caption)
{
    label->setText(caption);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setMouseTracking(true);
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->installEventFilter(this);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    setLinkColor(label, linkColorAtRest());
}

int AboutWindow::controlIndex(const QObject *control)
{
    return control->property(kIndexProperty).toInt();
}

bool AboutWindow::isLabel1(const QObject *o) const
{
    const QVariant index = o->property(kIndexProperty);
    return index.isValid() && Label1.value(index.toInt()) == o;
}

bool AboutWindow::isPicture1(const QObject *o) const
{
    const QVariant index = o->property(kIndexProperty);
    return index.isValid() && Picture1.value(index.toInt()) == o;
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool label = isLabel1(watched);
    const bool mailLink = watched == lblHyperlink;
    const bool picture = isPicture1(watched);
    if (!label && !mailLink && !picture)
        return QDialog::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The second press of a double click is no new click.
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            m_pressed = watched;
        if (label)
            Label1_MouseDown(controlIndex(watched), mouse->button());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        QObject *pressed = std::exchange(m_pressed, nullptr);
        auto *widget = static_cast<QWidget *>(watched);
        if (pressed != watched || !widget->rect().contains(mouse->position().toPoint()))
            return true;
        if (label)
            Label1_Click(controlIndex(watched));
        else if (mailLink)
            lblHyperlink_Click();
        else
            Picture1_Click(controlIndex(watched));
        return true;
    }
    case QEvent::MouseMove:
        if (label)
            Label1_MouseMove(controlIndex(watched));
        else if (mailLink)
            lblHyperlink_MouseMove();
        else
            Picture1_MouseMove(controlIndex(watched));
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void AboutWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = this;
    event->accept();
}

void AboutWindow::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    QObject *pressed = std::exchange(m_pressed, nullptr);
    if (pressed == this && rect().contains(event->position().toPoint()))
        Form_Click();
}

void AboutWindow::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    Form_MouseMove();
}

void AboutWindow::Label1_Click(int index)
{
    if (index == kFirstWebLink)
        openAddress(contact::webPageUrl(1));
    else if (index == kSecondWebLink)
        openAddress(contact::webPageUrl(2));
}

void AboutWindow::lblHyperlink_Click()
{
    openAddress(contact::mailUrl());
}

void AboutWindow::Label1_MouseDown(int index, Qt::MouseButton button)
{
    if ((index != kFirstWebLink && index != kSecondWebLink) || button != Qt::RightButton)
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Label1.value(index)->text());
}

void AboutWindow::Label1_MouseMove(int index)
{
    if (index == kFirstWebLink || index == kSecondWebLink)
        light(Label1.value(index));
}

void AboutWindow::lblHyperlink_MouseMove()
{
    light(lblHyperlink);
}

void AboutWindow::Form_MouseMove()
{
    setLinkColor(lblHyperlink, linkColorAtRest());
    setLinkColor(Label1.value(kFirstWebLink), linkColorAtRest());
    setLinkColor(Label1.value(kSecondWebLink), linkColorAtRest());
}

void AboutWindow::Picture1_MouseMove(int index)
{
    if (index == 4)
        Form_MouseMove();
}

void AboutWindow::Form_Click()
{
    close();
}

void AboutWindow::Picture1_Click(int index)
{
    if (index == 4)
        close();
}

void AboutWindow::Command1_Click()
{
    close();
}

void AboutWindow::light(QLabel *label)
{
    setLinkColor(label, linkColorHover());
    label->setCursor(QCursor(ImageList1->image(0), kPointerHotSpot.x(), kPointerHotSpot.y()));
}

void AboutWindow::setLinkColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    if (palette.color(QPalette::WindowText) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void AboutWindow::openAddress(const QUrl &url)
{
    // An address left empty or malformed by whoever set the contact data opens nothing.
    if (!url.isValid() || url.isEmpty())
        return;
    urlOpener()(url);
}

void showAboutWindow(QWidget *parent)
{
    AboutWindow window(parent);
    window.exec();
}

} // namespace velmora

#include "moc_AboutWindow.cpp"
