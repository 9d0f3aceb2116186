#include "classification/widgets/TopicReportView.h"

#include "classification/TopicData.h"
#include "common/widgets/ResultsView.h"
#include "data/Database.h"
#include "textview/widgets/RichTextView.h"

#include <QCoreApplication>

namespace velmora {

void showTopicAyahs(RichTextView *view, ResultsView &results, const QString &referenceLine,
                    const QString &topicTitle)
{
    const ReferenceLine line = splitReferenceLine(referenceLine);
    QStringList ayahLines;
    {
        // A connection of its own for this run, let go when the lines are read.
        const data::Database db = data::Database::open(topicStoreName());
        ayahLines = fetchAyahLines(db, line, [] { QCoreApplication::processEvents(); });
    }
    if (view)
        view->setText(composeTopicReport(topicTitle, referenceLine, ayahLines));
    results.enterResultsView();
}

} // namespace velmora
