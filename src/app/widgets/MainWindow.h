#pragma once

#include "app/widgets/MainControls.h"
#include "common/widgets/ResultsView.h"

#include <QWidget>
#include <functional>
#include <optional>

class QDialog;

namespace velmora {

// The main window frmMain: builds every control of the window at its design place, lays the
// window out on resize, runs the start-up steps and keeps the results view (a search listing
// or a topic report shown instead of the whole text). The work of each subsystem is done by
// parts that connect to the controls and to the signals below.
class MainWindow : public QWidget, public ResultsView {
    Q_OBJECT
public:
    struct Options {
        int splashMs = 3000;
        bool showSplash = true;
    };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainControls &controls() { return m_c; }

    // Start-up (drive scan, splash, layout, whole text, font lists, history, first activation).
    // Returns false after telling the reader when a data file cannot be opened.
    bool formLoad(const Options &options);
    void formActivate();
    void formResize();

    // Design geometry in twips, converted by the screen's logical DPI.
    int twips(int value) const;
    void placeTwips(QWidget *w, int left, int top, int width, int height) const;
    double dpi() const;

    // The results view: the return button shown and the word box narrowed.
    void enterResultsView() override;
    bool isResultsView() const override;
    // Hides the return button, widens the box and reloads the whole text. When the text cannot
    // be loaded the reader is told and the way back stays open; returns false then.
    bool leaveResultsView() override;
    // Loads the whole text into Rtf1 under the given name; false after a message on failure.
    bool loadWholeText(const QString &name);

    // The topic tree panel's own arrangement, in pixels, which the window's layout rules take
    // into account: the height of its reference list and the top of its tree.
    struct TreePanelGeometry {
        int listHeight = 0;
        int treeTop = 0;
    };
    void setTreePanelGeometry(std::function<std::optional<TreePanelGeometry>()> source);

    // A right-hand area beside Rtf1 (the ayah panel), a child of this window. While it is
    // shown, the width the layout rules give Rtf1 is shared with it, the area taking `share()`
    // thousandths; while it is hidden, the layout is exactly the designed one. The layout runs
    // again whenever the area is shown or hidden.
    void setSideArea(QWidget *area, std::function<int()> share);

    // Opens another window of the program modally; when it closes, the main window's
    // activation (selectors refilled and reset) runs, as for any return to this window.
    int execModal(QDialog *dialog);

signals:
    void driveScanRequested();
    // The reader's settings of the window's arrangement are read, before the window is first
    // laid out and the whole text loaded (so that the text is laid out once, at its width).
    void windowSettingsRequested();
    void fontListsRequested();
    void historyLoadRequested();
    void historySaveRequested();
    // At start-up once the whole text is in the view, and when the program ends (through the
    // frame and through "Kraj"): the place the reader was reading is restored or kept.
    void lastPlaceRestoreRequested();
    void lastPlaceSaveRequested();
    // Form_Activate: the selectors are refilled and reset.
    void activated();
    // Another window of the program is about to open modally (execModal).
    void modalOpening(QDialog *dialog);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildIconRow();
    void buildFindStrip();
    void buildSelectorPanel();
    void buildPopupMenu();
    struct ButtonDef;
    void makeIconButton(QWidget *parent, const ButtonDef &def, int top, int width, int height);
    void splash(int ms);
    void cmdFund_Click();

    MainControls m_c;
    std::function<std::optional<TreePanelGeometry>()> m_treePanelGeometry;
    QWidget *m_sideArea = nullptr;
    std::function<int()> m_sideShare;
};

} // namespace velmora
