#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

namespace velmora {

// The node images of the topic tree (ImageList1): 16 x 16 pictures drawn by the program,
// a closed book for a chapter and a leaf of text for a topic.
class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QObject *parent = nullptr);

    QSize imageSize() const { return {16, 16}; }
    int count() const { return static_cast<int>(m_images.size()); }
    // The image at a 0-based position; an empty icon outside the list.
    QIcon image(int index) const;

private:
    QList<QIcon> m_images;
};

} // namespace velmora
