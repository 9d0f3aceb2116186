#include "common/widgets/ImageList.h"

namespace velmora {

ImageList::ImageList(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ImageList1"));
}

void ImageList::add(const QPixmap &image)
{
    m_images.append(image);
}

QPixmap ImageList::image(int index) const
{
    if (index < 0 || index >= m_images.size())
        return {};
    return m_images.at(index);
}

} // namespace velmora
