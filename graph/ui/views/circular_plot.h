#pragma once
// The circular plot's window: the chart, the condition slider (when the
// subject uses the protocol), PNG export and the backbone marker.

#include "graph/ui/views/plot_export.h"
#include "graph/io/subject.h"
#include "graph/ui/user_prompts.h"

#include <Eigen/Dense>
#include <QHash>
#include <QMainWindow>
#include <QRecursiveMutex>
#include <QVariant>

#include <vector>

class QHBoxLayout;
class QVBoxLayout;

namespace graph::widgets {
class MySlider;
}  // namespace graph::widgets

namespace graph::ui {

using widgets::MySlider;

class CircularPlotWidget;

class CircularPlot : public QMainWindow {
    Q_OBJECT

public:
    CircularPlot(const io::Subject& subject, std::vector<Eigen::MatrixXf> matrices,
                 const QStringList& nodeNames, QWidget* parent = nullptr);

    // Sets the initial state and draws the first matrix (or trigger).
    void buildAndPlot();

    CircularPlotWidget* plotWidget() const { return plot_; }
    MySlider* conditionSlider() const { return slider_; }
    const QHash<QString, QVariant>& plotState() const { return state_; }
    void setPrompts(const UserPrompts& prompts) { prompts_ = prompts; }
    // The context menu's actions, for the tests.
    QList<QAction*> contextActions() const;
    // The whole plot with every label, for SVG or PNG files of any size.
    plot_export::FigurePainter figure() const;
    QAction* figureAction() const { return figureAction_; }

signals:
    void closingWindow();

public slots:
    void valueChanged();
    void displayRangeChanged(int lower, int upper);
    void showContextMenu(const QPoint& pos);
    void saveImage();
    // Asks for an .svg or .png file and writes the figure (300 DPI PNG).
    void saveFigure();
    void markMaximumSpanningTree();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setCondition(int k);
    void replot();

    std::vector<io::ConditionRecord> conditions_;
    bool usesProtocol_ = false;
    std::vector<Eigen::MatrixXf> matrices_;
    CircularPlotWidget* plot_;
    MySlider* slider_;
    QVBoxLayout* mainLayout_;
    QHBoxLayout* conditionsLayout_;
    QAction* exportAction_;
    QAction* figureAction_;
    QAction* mstAction_;
    // Recursive: a range change may arrive while a redraw is running on the
    // same thread (both are driven by the UI), and must not wait for itself.
    QRecursiveMutex mutex_;
    QHash<QString, QVariant> state_;
    int lower_ = 0;
    int upper_ = 1000;
    bool rangeSet_ = false;
    UserPrompts prompts_ = UserPrompts::interactive();
};

}  // namespace graph::ui
