#include "classification/TopicTree.h"

namespace velmora {

QList<TopicNode> TopicTreeBuilder::addRow(const QString &chapterNumber, const QString &chapterName,
                                          const QString &topicNumber, const QString &topicName)
{
    QList<TopicNode> nodes;
    m_rowCounter = static_cast<qint16>(static_cast<quint16>(m_rowCounter) + 1u);

    if (chapterName != m_previousChapter) {
        m_previousChapter = chapterName;
        // A new chapter starts a new run of topics: its first topic gets its node even when
        // the chapter before ended with a topic of the same name.
        m_previousTopic.clear();
        // Rows of a chapter that come back after another chapter join its existing node.
        if (!m_chapterKeys.contains(chapterName) && !m_keys.contains(chapterName)) {
            m_chapterKeys.insert(chapterName);
            m_keys.insert(chapterName);
            nodes.append({QString(), chapterName, chapterNumber + QStringLiteral(". ") + chapterName,
                          TopicNode::Chapter});
        }
    }

    // The previous topic starts empty, so a row without a topic (a chapter with no topics)
    // adds only its chapter.
    if (topicName == m_previousTopic)
        return nodes;
    m_previousTopic = topicName;
    const QString key = topicName + QString::number(m_rowCounter);
    // A parent that is not a chapter node, or a key already in use, would be refused by the
    // tree: such a row adds no node.
    if (!m_chapterKeys.contains(m_previousChapter) || m_keys.contains(key))
        return nodes;
    m_keys.insert(key);
    nodes.append({m_previousChapter, key, topicNumber + QStringLiteral(". ") + topicName, TopicNode::Topic});
    return nodes;
}

} // namespace velmora
