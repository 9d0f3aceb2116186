#pragma once

#include <QObject>
#include <QStringList>

class QListWidget;
class QWidget;

namespace velmora {

class ItemClickSignal;

// The reference list of a topic panel (lstAjetKlasifikim, LstAjetetPrejCmbTema): the reference
// lines of the topic chosen, one per row. A click on a row is reported; the program's own
// changes of the list are not.
class ReferenceList : public QObject {
    Q_OBJECT
public:
    // Builds the list in `panel` at the given place (twips), named `name`.
    ReferenceList(QWidget *panel, const char *name, int left, int top, int width, int height);

    QListWidget *widget() const { return m_list; }
    void clear();
    // Shows `lines` with the first one current.
    void fill(const QStringList &lines);
    // The current line; empty when there is none.
    QString currentLine() const;

signals:
    void clicked();

private:
    QListWidget *m_list;
    ItemClickSignal *m_clicks;
};

} // namespace velmora
