#include "search/FjalKerkim.h"

namespace velmora {

void FjalKerkim::Add(const QString &strText)
{
    auto entry = std::make_shared<FjalProperties>();
    entry->setText(strText);
    m_items.append(entry);
}

void FjalKerkim::Remove(int varID)
{
    if (varID >= 1 && varID <= m_items.size())
        m_items.removeAt(varID - 1);
}

void FjalKerkim::Clear()
{
    m_items.clear();
}

const FjalProperties *FjalKerkim::Item(int varID) const
{
    if (varID < 1 || varID > m_items.size())
        return nullptr;
    return m_items.at(varID - 1).get();
}

} // namespace velmora
