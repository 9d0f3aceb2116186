#pragma once

#include <QList>
#include <QString>
#include <memory>

namespace velmora {

// One word of a verse search.
class FjalProperties {
public:
    QString Text() const { return m_text; }
    void setText(const QString &strText) { m_text = strText; }

private:
    QString m_text;
};

// The ordered list of the words of one verse search, positions 1 to Count.
class FjalKerkim {
public:
    void Add(const QString &strText);
    // Removes the entry at the 1-based position; out of range does nothing.
    void Remove(int varID);
    void Clear();
    // The entry at the 1-based position; nullptr when out of range.
    const FjalProperties *Item(int varID) const;
    qint32 Count() const { return static_cast<qint32>(m_items.size()); }

private:
    QList<std::shared_ptr<FjalProperties>> m_items;
};

} // namespace velmora
