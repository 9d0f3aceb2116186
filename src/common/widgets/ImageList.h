#pragma once

#include <QList>
#include <QObject>
#include <QPixmap>

namespace velmora {

// An ordered list of images that a window keeps and its controls take by position
// (ImageList1 of the topic tree and of the About window).
class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QObject *parent = nullptr);

    void add(const QPixmap &image);
    int count() const { return static_cast<int>(m_images.size()); }
    // The image at a 0-based position; a null pixmap outside the list.
    QPixmap image(int index) const;

private:
    QList<QPixmap> m_images;
};

} // namespace velmora
