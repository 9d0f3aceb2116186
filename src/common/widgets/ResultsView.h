#pragma once

namespace velmora {

// The results view of the main window: a search listing or a topic report shown in the text
// view instead of the whole text, with the way back to the whole text open. Parts that show
// results enter it; leaving it brings the whole text back.
class ResultsView {
public:
    virtual ~ResultsView() = default;

    virtual void enterResultsView() = 0;
    // Brings the whole text back; false (after telling the reader) when it cannot be loaded,
    // with the way back still open.
    virtual bool leaveResultsView() = 0;
    virtual bool isResultsView() const = 0;
};

} // namespace velmora
