#pragma once

#include <QString>

namespace velmora {

class ResultsView;
class RichTextView;

// ShowTopicAyahs: shows the ayahs of one reference line in the text view, under a header that
// names the topic and the line, and enters the results view. A failing step (the store, a
// query, a row) is skipped and the report is still written.
void showTopicAyahs(RichTextView *view, ResultsView &results, const QString &referenceLine,
                    const QString &topicTitle);

} // namespace velmora
