#include "graph/ui/views/matrix_widgets.h"

#include "graph/core/circular_layout.h"
#include "graph/core/matrix_tables.h"
#include "graph/ui/views/plot_export.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QGraphicsSceneMouseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <sstream>

using namespace QtCharts;

namespace graph::ui {

using namespace graph::core;

// ---------------------------------------------------------------------------

VerticalHeaderView::VerticalHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {}

void VerticalHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    const QString text = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->save();
    painter->setFont(font());
    // Upright text read from bottom to top, ending at the section's bottom.
    painter->translate(rect.left(), rect.bottom());
    painter->rotate(-90);
    painter->drawText(QRect(2, 0, rect.height() - 4, rect.width()), Qt::AlignRight | Qt::AlignVCenter, text);
    painter->restore();
}

QSize VerticalHeaderView::sectionSizeFromContents(int logicalIndex) const {
    const QString text = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    const QFontMetrics metrics(font());
    return QSize(metrics.height() + 4, metrics.horizontalAdvance(text) + 8);
}

// ---------------------------------------------------------------------------

Histogram::Histogram(QWidget* parent) : QChartView(new QChart, parent) {
    set_ = new QBarSet(QString());
    for (int i = 0; i < 10; ++i) *set_ << 0.0;
    auto* series = new QBarSeries;
    series->append(set_);
    series->setBarWidth(1.0);
    chart()->addSeries(series);
    chart()->legend()->hide();
    const QFont font(QStringLiteral("Arial"), 6);
    axisX_ = new QBarCategoryAxis;
    axisY_ = new QValueAxis;
    axisX_->setLabelsFont(font);
    axisY_->setLabelsFont(font);
    axisX_->setLabelsAngle(-90);
    chart()->addAxis(axisX_, Qt::AlignBottom);
    chart()->addAxis(axisY_, Qt::AlignLeft);
    series->attachAxis(axisX_);
    series->attachAxis(axisY_);
    chart()->setMargins(QMargins(0, 0, 0, 0));
    setRenderHint(QPainter::Antialiasing);
}

void Histogram::setBars(const std::vector<double>& heights, double lowest, double highest) {
    set_->remove(0, set_->count());
    QStringList labels;
    const double width = heights.empty() ? 0.0 : (highest - lowest) / static_cast<double>(heights.size());
    double top = 0;
    for (std::size_t i = 0; i < heights.size(); ++i) {
        *set_ << heights[i];
        top = std::max(top, heights[i]);
        labels << QString::number(lowest + width * static_cast<double>(i), 'g', 3);
    }
    axisX_->clear();
    axisX_->append(labels);
    axisY_->setRange(0, top > 0 ? top : 1.0);
}

QStringList Histogram::categories() const {
    return axisX_->categories();
}

// ---------------------------------------------------------------------------

ConnectivityMatrixWidget::ConnectivityMatrixWidget(QWidget* parent) : QGraphicsView(parent) {
    scene_ = new QGraphicsScene(this);
    setScene(scene_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &ConnectivityMatrixWidget::showContextMenu);
    imageAction_ = new QAction(QStringLiteral("Export to image..."), this);
    csvAction_ = new QAction(QStringLiteral("Export to CSV..."), this);
    connect(imageAction_, &QAction::triggered, this, &ConnectivityMatrixWidget::saveImage);
    figureAction_ = new QAction(plot_export::kFigureAction, this);
    connect(figureAction_, &QAction::triggered, this, &ConnectivityMatrixWidget::saveFigure);
    connect(csvAction_, &QAction::triggered, this, &ConnectivityMatrixWidget::saveCSV);
}

void ConnectivityMatrixWidget::setMatrix(const Eigen::MatrixXf& matrix, const std::vector<QColor>& colours,
                                         const QStringList& names) {
    scene_->clear();
    cells_.clear();
    marker_ = nullptr;
    matrix_ = matrix;
    names_ = names;
    const int columns = static_cast<int>(matrix.cols());
    cells_.reserve(colours.size());
    for (int r = 0; r < matrix.rows(); ++r) {
        for (int c = 0; c < columns; ++c) {
            auto* rect = new ConnectivityMatrixWidgetRect(
                r, c, QRectF(c * kCellSize, r * kCellSize, kCellSize, kCellSize));
            rect->setBrush(colours[static_cast<std::size_t>(r * columns + c)]);
            rect->setPen(Qt::NoPen);
            scene_->addItem(rect);
            cells_.push_back(rect);
        }
    }
    marker_ = scene_->addRect(QRectF(), QPen(Qt::black, 0));
    marker_->setZValue(1);
    marker_->hide();
    scene_->setSceneRect(
        scene_->itemsBoundingRect().united(QRectF(0, 0, columns * kCellSize, matrix.rows() * kCellSize)));
    fitInView(scene_->sceneRect(), Qt::KeepAspectRatio);
}

ConnectivityMatrixWidgetRect* ConnectivityMatrixWidget::cell(int row, int column) const {
    if (row < 0 || column < 0 || row >= matrix_.rows() || column >= matrix_.cols()) return nullptr;
    return cells_[static_cast<std::size_t>(row * matrix_.cols() + column)];
}

void ConnectivityMatrixWidget::pickValue(int row, int column) {
    ConnectivityMatrixWidgetRect* rect = cell(row, column);
    if (!rect || !marker_) return;
    marker_->setRect(rect->rect());
    marker_->show();
}

void ConnectivityMatrixWidget::clearValue() {
    if (marker_) marker_->hide();
}

void ConnectivityMatrixWidget::showContextMenu(const QPoint& pos) {
    QMenu menu(this);
    menu.addAction(imageAction_);
    menu.addAction(figureAction_);
    menu.addAction(csvAction_);
    menu.exec(mapToGlobal(pos));
}

void ConnectivityMatrixWidget::highlightTable(QGraphicsSceneMouseEvent* event) {
    const QPointF p = event->scenePos();
    const int row = static_cast<int>(p.y() / kCellSize);
    const int column = static_cast<int>(p.x() / kCellSize);
    if (p.x() >= 0 && p.y() >= 0 && cell(row, column)) emit cellPressed(row, column);
}

void ConnectivityMatrixWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QGraphicsSceneMouseEvent sceneEvent(QEvent::GraphicsSceneMousePress);
        sceneEvent.setScenePos(mapToScene(event->pos()));
        highlightTable(&sceneEvent);
    }
    QGraphicsView::mousePressEvent(event);
}

void ConnectivityMatrixWidget::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    fitInView(scene_->sceneRect(), Qt::KeepAspectRatio);
}

void ConnectivityMatrixWidget::saveImage() {
    plot_export::saveWidgetImage(this, this, prompts_);
}

namespace {

QColor weightColor(double w) {
    const circular::Rgb c = circular::weightColour(w);
    return QColor::fromRgbF(c.red, c.green, c.blue, 1.0);
}

// The colour key under the grid: the map from the smallest to the largest
// value, both written under its ends.
void drawColourKey(QPainter& painter, const QRectF& strip, double low, double high) {
    constexpr int kSlices = 96;
    const QRectF bar(strip.left(), strip.top(), strip.width(), strip.height() * 0.4);
    const double slice = bar.width() / kSlices;
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < kSlices; ++i) {
        painter.setBrush(weightColor(low + (high - low) * (i + 0.5) / kSlices));
        painter.drawRect(
            QRectF(bar.left() + i * slice, bar.top(), slice * (i + 1 < kSlices ? 1.02 : 1.0), bar.height()));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(80, 80, 80), 0));
    painter.drawRect(bar);
    painter.setPen(Qt::black);
    const QRectF under(bar.left(), bar.bottom(), bar.width(), strip.bottom() - bar.bottom());
    painter.drawText(under, Qt::AlignLeft | Qt::AlignVCenter, plot_export::number(low));
    painter.drawText(under, Qt::AlignRight | Qt::AlignVCenter, plot_export::number(high));
}

}  // namespace

plot_export::FigurePainter ConnectivityMatrixWidget::figure() const {
    QGraphicsScene* scene = scene_;
    const QStringList names = names_;
    const double low = matrix_.size() ? matrix_.minCoeff() : 0.0;
    const double high = matrix_.size() ? matrix_.maxCoeff() : 0.0;
    const bool hasCells = matrix_.size() > 0;
    return [scene, names, low, high, hasCells](QPainter& painter, const QRectF& target) {
        painter.fillRect(target, Qt::white);
        const int n = std::max(1, static_cast<int>(names.size()));
        int longest = 1;
        for (const QString& name : names) longest = std::max(longest, static_cast<int>(name.size()));
        // A quarter of the shorter side holds the names, a strip at the
        // bottom the colour key; the font fits both a cell's height and the
        // longest name in that margin.
        const double side = std::min(target.width(), target.height());
        const double margin = side / 4.0;
        const double keyStrip = side * 0.08;
        const double cell = std::min(target.width() - margin, target.height() - margin - keyStrip) / n;
        QFont font = painter.font();
        font.setPixelSize(std::max(1, static_cast<int>(std::min(cell * 0.8, margin / (longest * 0.7)))));
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QRectF grid(target.left() + margin, target.top() + margin, cell * n, cell * n);
        scene->render(&painter, grid, scene->sceneRect(), Qt::IgnoreAspectRatio);
        const double gap = margin * 0.05;
        for (int i = 0; i < names.size(); ++i) {
            painter.drawText(QRectF(target.left(), grid.top() + i * cell, margin - gap, cell),
                             Qt::AlignRight | Qt::AlignVCenter, names[i]);
            painter.save();
            painter.translate(grid.left() + (i + 0.5) * cell, grid.top() - gap);
            painter.rotate(-90);
            painter.drawText(QRectF(0, -cell / 2, margin - gap, cell), Qt::AlignLeft | Qt::AlignVCenter,
                             names[i]);
            painter.restore();
        }
        if (!hasCells) return;
        QFont keyFont = painter.font();
        keyFont.setPixelSize(std::max(1, static_cast<int>(keyStrip * 0.35)));
        painter.setFont(keyFont);
        drawColourKey(painter,
                      QRectF(grid.left(), grid.bottom() + keyStrip * 0.25, grid.width(), keyStrip * 0.75),
                      low, high);
    };
}

void ConnectivityMatrixWidget::saveFigure() {
    plot_export::saveFigure(this, figure(), prompts_);
}

void ConnectivityMatrixWidget::saveCSV() {
    std::vector<std::string> names;
    for (const QString& name : names_) names.push_back(name.toStdString());
    const Eigen::MatrixXf matrix = matrix_;
    plot_export::saveCsv(this, prompts_, [&](std::ostream& out) { writeMatrixCsv(out, matrix, names); });
}

}  // namespace graph::ui
