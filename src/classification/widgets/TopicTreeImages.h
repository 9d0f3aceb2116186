#pragma once

class QObject;

namespace velmora {

class ImageList;

// The node images of the topic tree (ImageList1): 16 x 16 pictures drawn by the program, a
// closed book for a chapter (position 0) and a leaf of text for a topic (position 1).
ImageList *topicTreeImages(QObject *parent);

} // namespace velmora
