#pragma once
// Line plots of computed graph features: LinePlot draws a per-node measure
// as one line per matrix against the nodes; TimeseriesLinePlot draws one
// value per condition as a single line against the conditions.

#include "graph/ui/views/plot_export.h"
#include "graph/ui/user_prompts.h"

#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <ostream>

namespace QtCharts {
class QChart;
class QChartView;
class QLineSeries;
}  // namespace QtCharts
class QCheckBox;
class QComboBox;
class QDockWidget;
class QGridLayout;
class QPushButton;
class QLabel;

namespace graph::widgets {
class MyLabel;
}  // namespace graph::widgets

namespace graph::ui {

using widgets::MyLabel;

class LinePlot : public QMainWindow {
    Q_OBJECT

public:
    // `title` is the measure's plot title; the window is "Plot: <title>".
    LinePlot(const QString& title, bool usesProtocol, QWidget* parent = nullptr);

    // values against their index; an empty name becomes "Series <count + 1>";
    // type 1 condition, 2 trigger.
    void addSeries(const QList<float>& values, const QString& name = QString(), int type = 1);
    // After the last series: axes (node labels when given) and the legend list.
    void finish(const QStringList& labels = QStringList());
    void setPrompts(const UserPrompts& prompts) { prompts_ = prompts; }
    // Where the values come from, shown in the "Sources" dock.
    void setSourcesText(const QString& text);
    QString sourcesText() const;

    // The colours of the lines, in order (the k-th line takes colour k modulo
    // their count).
    static QList<QColor> palette();
    // How many nodes apart the axis names stand: the smallest step at which
    // the names shown, plus one slot for the axis start, get `labelRoom`
    // pixels each along `axisLength` pixels (every name at step 1).
    static int axisLabelStep(int names, qreal axisLength, qreal labelRoom);
    // The names the node axis shows now (every node, or every k-th).
    QStringList axisLabels() const;

    QtCharts::QChart* chart() const { return chart_; }
    QtCharts::QChartView* chartView() const { return view_; }
    const QList<QtCharts::QLineSeries*>& series() const { return series_; }
    QComboBox* conditionsBox() const { return conditions_; }
    QGridLayout* legendGrid() const { return grid_; }
    QCheckBox* checkBox(int row) const;
    MyLabel* nameLabel(int row) const;
    QList<QAction*> contextActions() const;
    // The chart with its axes and legend, for SVG or PNG files of any size.
    plot_export::FigurePainter figure() const;
    QAction* figureAction() const { return figureAction_; }

    // The CSV forms: the first series on one line, and every series as a row.
    void writeFirstSeriesCsv(std::ostream& out) const;
    void writeAllSeriesCsv(std::ostream& out) const;

public slots:
    void highlightLineSeries(bool state);
    void toggleLineSeries(int);
    void conditionsShow();
    void conditionsHide();
    void showContextMenu(const QPoint& pos);
    void saveImage();
    // Asks for an .svg or .png file and writes the figure (300 DPI PNG).
    void saveFigure();
    void saveCSV();
    void saveAllCSV();
    void thinAxisLabels();

protected:
    void setConditionAxis(const QStringList& names, const QString& title);
    void showOnlyImageExport();
    void hideConditionControls();

    QtCharts::QChart* chart_;
    QtCharts::QChartView* view_;
    QList<QtCharts::QLineSeries*> series_;
    QString title_;
    bool usesProtocol_;

private:
    void setShown(bool shown);

    QDockWidget* legendDock_;
    QDockWidget* sourcesDock_;
    QLabel* sources_;
    QComboBox* conditions_;
    QPushButton* show_;
    QPushButton* hide_;
    QGridLayout* grid_;
    QAction* imageAction_;
    QAction* figureAction_;
    QAction* csvAction_;
    QAction* allCsvAction_;
    QStringList axisNames_;
    int axisStep_ = 0;
    UserPrompts prompts_ = UserPrompts::interactive();
};

class TimeseriesLinePlot : public LinePlot {
    Q_OBJECT

public:
    TimeseriesLinePlot(const QString& title, bool usesProtocol, QWidget* parent = nullptr);
    // One value per condition.
    void setValues(const QList<float>& values, const QString& name);
    // The x axis: one category per condition.
    void setConditions(const QStringList& names);
};

}  // namespace graph::ui
