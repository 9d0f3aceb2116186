#include "app/widgets/Splash.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace velmora {

Splash::Splash(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(480, 280);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Splash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x1d, 0x3b, 0x57));
    g.setColorAt(1, QColor(0x0d, 0x22, 0x33));
    p.fillRect(rect(), g);
    p.setPen(QPen(QColor(0xd9, 0xb8, 0x5f), 2));
    p.drawRect(rect().adjusted(8, 8, -9, -9));

    QFont title(QStringLiteral("Times New Roman"), 30, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(0xf4, 0xe7, 0xc1));
    p.drawText(QRect(0, 60, width(), 60), Qt::AlignCenter, QStringLiteral("Velmora 4.0"));
    QFont sub(QStringLiteral("Verdana"), 11);
    p.setFont(sub);
    p.setPen(QColor(0xe0, 0xe6, 0xec));
    p.drawText(QRect(0, 130, width(), 30), Qt::AlignCenter,
               QStringLiteral("Kur'an s prijevodom na bosanski jezik"));
    QFont small(QStringLiteral("Verdana"), 9);
    p.setFont(small);
    p.setPen(QColor(0xa8, 0xb8, 0xc8));
    p.drawText(QRect(0, height() - 60, width(), 30), Qt::AlignCenter,
               QStringLiteral("Citanje, trazenje, tematska klasifikacija i ucenje ajeta"));
}

void waitServingEvents(int ms)
{
    // QDeadlineTimer runs on the monotonic clock, so a change of the wall clock (or a start
    // just before midnight) does not shorten or lengthen the wait.
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

void Splash::showFor(int ms, const std::function<void()> &whenDone)
{
    auto *s = new Splash;
    s->show();
    waitServingEvents(ms);
    if (whenDone)
        whenDone();
    s->close();
}

} // namespace velmora
