#include "app/widgets/AyahPanelWiring.h"

#include "app/widgets/MainWindow.h"
#include "common/ProgramTitle.h"
#include "recitation/widgets/RecitationWindow.h"
#include "textview/widgets/AyahPanel.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QSettings>

namespace velmora {

namespace {

// The panel's settings: whether it is shown and its share of the width, in thousandths.
const QString kSection = QStringLiteral("Arapski tekst i tefsir");
const QString kShownKey = QStringLiteral("Prikazan");
const QString kShareKey = QStringLiteral("Sirina");

std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmora"), programTitle());
}

void saveSetting(const QString &key, const QVariant &value)
{
    auto settings = openSettings();
    settings->beginGroup(kSection);
    settings->setValue(key, value);
}

// F4 shows and hides the panel anywhere in the window, except in a combo box, where the key
// keeps dropping the list down: the box claims the key before the window's shortcut sees it.
class ComboBoxKeepsF4 : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride && qobject_cast<QComboBox *>(watched)) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)
                event->accept();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void installAyahPanelPart(MainWindow &window)
{
    MainControls &c = window.controls();
    auto *panel = new AyahPanel(c.Rtf1, &window);
    const QPointer<AyahPanel> guard(panel);
    window.setSideArea(panel, [guard] { return guard ? guard->share() : 0; });

    auto *item = new QAction(QStringLiteral("Arapski tekst i tefsir"), &window);
    item->setObjectName(QStringLiteral("mnuArapskiTekst"));
    item->setCheckable(true);
    item->setShortcut(QKeySequence(Qt::Key_F4));
    item->setShortcutContext(Qt::WindowShortcut);
    c.mnuPopupRtf->addAction(item);
    // The window carries the item too, so that its key works while the menu is closed.
    window.addAction(item);
    auto *keepF4 = new ComboBoxKeepsF4(&window);
    for (QComboBox *box : window.findChildren<QComboBox *>())
        box->installEventFilter(keepF4);

    QObject::connect(item, &QAction::toggled, panel, [panel](bool on) {
        panel->setShown(on);
        saveSetting(kShownKey, on);
    });
    QObject::connect(panel, &AyahPanel::shareChanged, &window, [&window](int share, bool finished) {
        window.formResize();
        if (finished)
            saveSetting(kShareKey, share);
    });

    // Shown before the whole text is loaded, the panel takes its place at once and the text is
    // laid out for its width only once; it shows the first ayah when the text is there.
    QObject::connect(&window, &MainWindow::windowSettingsRequested, panel, [panel, item] {
        auto settings = openSettings();
        settings->beginGroup(kSection);
        panel->setShare(settings->value(kShareKey, AyahPanel::kDefaultShare).toInt());
        item->setChecked(settings->value(kShownKey, false).toBool());
    });

    // The recitation window shows the ayah it recites: the panel follows it.
    QObject::connect(&window, &MainWindow::modalOpening, panel, [guard](QDialog *dialog) {
        if (auto *lexim = qobject_cast<RecitationWindow *>(dialog))
            QObject::connect(lexim, &RecitationWindow::showsAyah, guard, &AyahPanel::showAyah);
    });
}

} // namespace velmora
