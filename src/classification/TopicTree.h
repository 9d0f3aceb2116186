#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace velmora {

// One node of the topic tree, in the order it is added.
struct TopicNode {
    enum Image { Chapter = 0, Topic = 1 }; // positions in the tree's image list
    QString parentKey;                     // empty for a chapter (root) node
    QString key;
    QString text;
    Image image = Chapter;
};

// Turns the KreuMeTema rows (chapter number, chapter name, topic number, topic name), read in
// order, into the nodes of the topic tree.
//
// A chapter node is keyed by the chapter name; a topic node by the topic name followed by
// the row counter, a 16-bit count of the rows read (it wraps around after 32767 rows, as a
// 16-bit value does), which keeps a topic's keys apart when it stands under several
// chapters. Consecutive rows of one topic within a chapter give one node; a row with an
// empty topic name adds no topic node.
class TopicTreeBuilder {
public:
    // Reads one row and returns the nodes it adds (none, one or two).
    QList<TopicNode> addRow(const QString &chapterNumber, const QString &chapterName,
                            const QString &topicNumber, const QString &topicName);
    qint16 rowCounter() const { return m_rowCounter; }

private:
    qint16 m_rowCounter = 0;
    QString m_previousChapter;
    QString m_previousTopic;
    QSet<QString> m_chapterKeys;
    QSet<QString> m_keys; // every key in use: a tree's keys are unique among all its nodes
};

} // namespace velmora
