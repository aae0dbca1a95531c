#pragma once
// The parts of the matrix view: the table that reports the pointer leaving,
// the upright column header, the histogram chart and the overview picture.

#include "graph/ui/views/plot_export.h"
#include "graph/ui/user_prompts.h"

#include <Eigen/Dense>
#include <QChartView>
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <QHeaderView>
#include <QTableWidget>

#include <string>
#include <vector>

namespace QtCharts {
class QBarSet;
class QBarCategoryAxis;
class QValueAxis;
}  // namespace QtCharts
class QGraphicsSceneMouseEvent;

namespace graph::ui {

class ViewMatrixTable : public QTableWidget {
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;

signals:
    void mouseLeave();

protected:
    void leaveEvent(QEvent* event) override {
        emit mouseLeave();
        QTableWidget::leaveEvent(event);
    }
};

// Section texts turned by 90 degrees, sized for that.
class VerticalHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit VerticalHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
};

class Histogram : public QtCharts::QChartView {
    Q_OBJECT

public:
    explicit Histogram(QWidget* parent = nullptr);
    // Bar heights, with the value range they cover for the axis labels.
    void setBars(const std::vector<double>& heights, double lowest, double highest);
    QtCharts::QBarSet* bars() const { return set_; }
    QStringList categories() const;

private:
    QtCharts::QBarSet* set_;
    QtCharts::QBarCategoryAxis* axisX_;
    QtCharts::QValueAxis* axisY_;
};

// One cell of the overview picture.
class ConnectivityMatrixWidgetRect : public QGraphicsRectItem {
public:
    ConnectivityMatrixWidgetRect(int row, int column, const QRectF& rect)
        : QGraphicsRectItem(rect), row_(row), column_(column) {}
    int row() const { return row_; }
    int column() const { return column_; }

private:
    int row_;
    int column_;
};

// Small picture of the whole matrix, one rectangle per cell; pressing a cell
// asks the table to show it.
class ConnectivityMatrixWidget : public QGraphicsView {
    Q_OBJECT

public:
    explicit ConnectivityMatrixWidget(QWidget* parent = nullptr);

    // The matrix as shown, its cell colours (row by row) and node names.
    void setMatrix(const Eigen::MatrixXf& matrix, const std::vector<QColor>& colours,
                   const QStringList& names);
    void setPrompts(const UserPrompts& prompts) { prompts_ = prompts; }
    int cellCount() const { return static_cast<int>(cells_.size()); }
    ConnectivityMatrixWidgetRect* cell(int row, int column) const;
    QList<QAction*> contextActions() const { return {imageAction_, csvAction_}; }
    // The cells with the node names on the left and on top, for SVG or PNG
    // files of any size.
    plot_export::FigurePainter figure() const;
    QAction* figureAction() const { return figureAction_; }

    static constexpr double kCellSize = 4.0;

signals:
    void cellPressed(int row, int column);

public slots:
    void pickValue(int row, int column);
    void clearValue();
    void showContextMenu(const QPoint& pos);
    void highlightTable(QGraphicsSceneMouseEvent* event);
    void saveImage();
    // Asks for an .svg or .png file and writes the figure (300 DPI PNG).
    void saveFigure();
    void saveCSV();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QGraphicsScene* scene_;
    std::vector<ConnectivityMatrixWidgetRect*> cells_;
    QGraphicsRectItem* marker_ = nullptr;
    Eigen::MatrixXf matrix_;
    QStringList names_;
    QAction* imageAction_;
    QAction* figureAction_;
    QAction* csvAction_;
    UserPrompts prompts_ = UserPrompts::interactive();
};

}  // namespace graph::ui
