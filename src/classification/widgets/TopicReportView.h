#pragma once

#include <QString>

namespace velmora {

class MainWindow;

// ShowTopicAyahs: shows the ayahs of one reference line in the main text view, under a
// header that names the topic and the line, and enters the results view. A failing step
// (the store, a query, a row) is skipped and the report is still written.
void showTopicAyahs(MainWindow &window, const QString &referenceLine, const QString &topicTitle);

} // namespace velmora
