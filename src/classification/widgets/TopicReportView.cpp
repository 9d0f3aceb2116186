#include "classification/widgets/TopicReportView.h"

#include "app/widgets/MainWindow.h"
#include "classification/TopicData.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>

namespace velmora {

void showTopicAyahs(MainWindow &window, const QString &referenceLine, const QString &topicTitle)
{
    const ReferenceLine line = splitReferenceLine(referenceLine);
    QStringList ayahLines;
    {
        // A connection of its own for this run, let go when the lines are read.
        const data::Database db = data::Database::open(topicStoreName());
        ayahLines = fetchAyahLines(db, line, [] { QCoreApplication::processEvents(); });
    }
    window.controls().Rtf1->setText(composeTopicReport(topicTitle, referenceLine, ayahLines));
    window.enterResultsView();
}

} // namespace velmora
