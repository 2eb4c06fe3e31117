#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <span>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolBar;

namespace analysis {
class Readings;
}
namespace meterlink {
class ExchangeQueue;
}
namespace platform {
class Prompts;
}

namespace graphs {

class Graph;
class NumEdit;
class StatisticsPanel;

// The values Reset Scale restores, read from the opener's shared values at the moment of the
// press.
struct ResetValues {
    float last = 0.0f; // the last reading number
    float min = 0.0f;
    float max = 0.0f;
};

// The graph window for a finished series: "Plot" for list data, "Real Time Graph" for a
// snapshot of the real-time chart. One class, differing only in caption, readout format and
// where Reset Scale reads its values. Closing it unloads it: the window deletes itself, and the
// next use loads a fresh one.
class GraphWindow : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Plot, RealTimeGraph };

    // The track-mode entries of Combo1 and their help texts, in the combo's order; entry n
    // writes TrackMode n + 1.
    static const QStringList& trackModeEntries();
    static const QStringList& trackModeHelpTexts();

    // Normal size and places, in pixels at 96 dots per inch.
    static constexpr int kNormalWidth = 710;  // 10650 twips
    static constexpr int kNormalHeight = 591; // 8865 twips
    static constexpr int kPrintWidth = 770;   // 11550 twips
    static constexpr int kGraphNormalPos = 8; // 120 twips
    static constexpr int kGraphPrintPos = 48; // 720 twips

    // Its dialogs and menus open through the exchange queue, never inside a wait on the meter.
    GraphWindow(Kind kind, platform::Prompts& prompts, meterlink::ExchangeQueue& exchanges,
                std::function<ResetValues()> resetValues, QWidget* parent = nullptr);
    ~GraphWindow() override;

    Graph* Graph1() const { return graph_; }
    NumEdit* AxisMin(int i) const;
    NumEdit* AxisMax(int i) const;
    QString readoutFormat() const;

    // Shows the window with values plotted at reading numbers 1..count, both range edits and
    // axes set to (1, count) and (min, max), and the unit as caption. Serves the list data's
    // fill and the real-time snapshot alike. The readings, row k at reading number k + 1, are
    // what the statistics panel and the export work on.
    void fill(std::span<const float> values, float count, float min, float max, const QString& unit,
              std::shared_ptr<const analysis::Readings> readings = nullptr);

    StatisticsPanel* statisticsPanel() const { return panel_; }

    // The handlers of the window's controls.
    void applyTrackMode(int entry);
    void resetScale();
    void printGraph();
    void saveImage();
    // The statistics toggle: the panel beside the graph, the window wider by its width.
    void showStatistics(bool shown);
    void exportCsv();
    // What an export, an image or a printout to a file is proposed as: the caption and the
    // readings' first time.
    QString proposedFileName(const QString& extension) const;

signals:
    // Between setting the printing look and printing, so that the look can be checked.
    void aboutToPrint();
    // The window is closing and will delete itself.
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    void rangeFromEdits();
    void showAndRaise();
    void showCursorReadout(int cursor, double x, double y);
    void setPrintLook(bool printing);
    // The readings whose numbers lie in axis 1's range go to the panel, once the changes of
    // the range in hand are all made: a fill or a range edit moves it more than once.
    void panelDue();
    void showRangeInPanel();
    void drawBand();
    int panelRoom() const;

    Kind kind_;
    platform::Prompts& prompts_;
    meterlink::ExchangeQueue& exchanges_;
    std::function<ResetValues()> resetValues_;
    bool printing_ = false;
    bool panelDue_ = false;
    QColor savedColour_; // the graph's colour while it prints on white
    int appliedEntry_ = -1;

    Graph* graph_ = nullptr;
    QGroupBox* frmGraphic_ = nullptr;
    std::array<NumEdit*, 2> axisMin_{};
    std::array<NumEdit*, 2> axisMax_{};
    QLabel* lblUnit_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QPlainTextEdit* txtDescription_ = nullptr;
    QLabel* xPosition_ = nullptr;
    QLabel* yPosition_ = nullptr;
    QPushButton* cmdReset_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QToolBar* analysisBar_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    StatisticsPanel* panel_ = nullptr;
    std::shared_ptr<const analysis::Readings> readings_;
};

} // namespace graphs
