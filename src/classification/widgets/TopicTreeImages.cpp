#include "classification/widgets/TopicTreeImages.h"

#include "common/widgets/ImageList.h"

#include <QPainter>
#include <QPixmap>

namespace velmora {

namespace {

QPixmap chapterPicture()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Cover and spine of a closed book.
    p.setPen(QColor(0x40, 0x2a, 0x10));
    p.setBrush(QColor(0x2e, 0x6b, 0x3a));
    p.drawRect(3, 1, 10, 13);
    p.setBrush(QColor(0x1d, 0x45, 0x25));
    p.drawRect(3, 1, 2, 13);
    // Page edges at the bottom and a gold title band.
    p.setPen(QColor(0xf4, 0xf0, 0xe0));
    p.drawLine(5, 14, 13, 14);
    p.setPen(QColor(0xd8, 0xb0, 0x40));
    p.drawLine(7, 5, 11, 5);
    p.drawLine(7, 7, 11, 7);
    return pm;
}

QPixmap topicPicture()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    // A sheet with a folded corner and lines of text.
    QPolygon sheet;
    sheet << QPoint(3, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(3, 14);
    p.setPen(QColor(0x50, 0x50, 0x60));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(0x30, 0x60, 0xb0));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(5, y, 11, y);
    return pm;
}

} // namespace

ImageList *topicTreeImages(QObject *parent)
{
    auto *images = new ImageList(parent);
    images->add(chapterPicture());
    images->add(topicPicture());
    return images;
}

} // namespace velmora
