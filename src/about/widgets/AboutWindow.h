#pragma once

#include <QDialog>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTabWidget;

namespace velmora {

class ImageList;

// The About window: what the program is, who made its texts, and where to find news about it.
// Three labels act as links (two web pages and a mail address); they light up under the mouse,
// and a right click on a web link copies its caption.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl &)>;

    explicit AboutWindow(QWidget *parent = nullptr);
    ~AboutWindow() override;

    // Link colours: at rest (red 0, green 0, blue 192) and under the mouse (pure red).
    static QColor linkColorAtRest();
    static QColor linkColorHover();

    // How an address is handed to the desktop. By default the desktop's own way of opening
    // addresses, which returns at once; tests put their own function here. An empty function
    // restores the default.
    static void setUrlOpener(UrlOpener opener);
    static UrlOpener urlOpener();

    // The pointer shown over a link: the first image of ImageList1.
    static QPixmap drawLinkPointer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QWidget *addContainer(int index, const QString &tabText);
    QLabel *addLabel(QWidget *container, int index, const QString &text);
    void makeLink(QLabel *label, const QString &caption);
    static int controlIndex(const QObject *control);
    bool isLabel1(const QObject *o) const;
    bool isPicture1(const QObject *o) const;

    // Handlers of the window's controls.
    void Label1_Click(int index);
    void lblHyperlink_Click();
    void Label1_MouseDown(int index, Qt::MouseButton button);
    void Label1_MouseMove(int index);
    void lblHyperlink_MouseMove();
    void Form_MouseMove();
    void Picture1_MouseMove(int index);
    void Form_Click();
    void Picture1_Click(int index);
    void Command1_Click();

    void light(QLabel *label);
    void setLinkColor(QLabel *label, const QColor &color);
    void openAddress(const QUrl &url);

    QTabWidget *SSTab1 = nullptr;
    QMap<int, QWidget *> Picture1;
    QMap<int, QLabel *> Label1;
    QLabel *lblHyperlink = nullptr;
    QPushButton *Command1 = nullptr;
    ImageList *ImageList1 = nullptr; // the link pointer

    // The control the left button went down on; a click needs the release on it too.
    QObject *m_pressed = nullptr;
};

// Opens the About window over `parent` and returns when the reader closes it.
void showAboutWindow(QWidget *parent);

} // namespace velmora
