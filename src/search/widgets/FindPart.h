#pragma once

#include "app/widgets/MainControls.h"

#include <QObject>

namespace velmora {

// Find in text: forward from the caret with the view's own find, backward by scanning the
// view's plain text, both with their questions when the end or the beginning is reached.
class FindPart : public QObject {
    Q_OBJECT
public:
    explicit FindPart(MainControls &controls, QObject *parent = nullptr);

    void cmdKerkim_Click();
    void cmdKerkimPrapa_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // An empty text to find: tells the reader and gives the box the focus.
    bool hasSearchText(const QString &T);

    MainControls &m_c;
};

} // namespace velmora
