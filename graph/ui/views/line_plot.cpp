#include "graph/ui/views/line_plot.h"

#include "graph/widgets/my_label.h"
#include "graph/ui/views/plot_export.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QDockWidget>
#include <QGridLayout>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

using namespace QtCharts;

namespace graph::ui {

using namespace graph::widgets;

namespace {

constexpr int kMostTicks = 50;
// Room along the axis for one upright name besides its line height: the
// chart's padding on both sides of a label (4 px each) and a little air.
constexpr qreal kLabelAir = 12;

// Ten colours that stay apart on screen and in print (the "tab10" set), so a
// plot of up to ten conditions repeats none.
const QColor kPalette[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                           QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                           QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22),
                           QColor(0x17, 0xbe, 0xcf)};

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QList<QColor> LinePlot::palette() {
    return QList<QColor>(std::begin(kPalette), std::end(kPalette));
}

LinePlot::LinePlot(const QString& title, bool usesProtocol, QWidget* parent)
    : QMainWindow(parent), title_(title), usesProtocol_(usesProtocol) {
    setObjectName(QStringLiteral("LinePlot"));
    setWindowTitle(QStringLiteral("Plot: %1").arg(title));
    resize(900, 560);

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("<b>%1</b>").arg(title));
    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, &LinePlot::showContextMenu);
    setCentralWidget(view_);
    // The names that fit along the axis depend on the plot's width.
    connect(chart_, &QChart::plotAreaChanged, this, &LinePlot::thinAxisLabels);

    legendDock_ = new QDockWidget(QStringLiteral("Legend"), this);
    legendDock_->setObjectName(QStringLiteral("dw_Legend"));
    auto* legendWidget = new QWidget(legendDock_);
    auto* legendLayout = new QVBoxLayout(legendWidget);
    conditions_ = new QComboBox(legendWidget);
    conditions_->setObjectName(QStringLiteral("cbox_Conditions"));
    auto* buttons = new QHBoxLayout;
    show_ = new QPushButton(QStringLiteral("Show"), legendWidget);
    show_->setObjectName(QStringLiteral("btn_Show"));
    hide_ = new QPushButton(QStringLiteral("Hide"), legendWidget);
    hide_->setObjectName(QStringLiteral("btn_Hide"));
    buttons->addWidget(show_);
    buttons->addWidget(hide_);
    legendLayout->addWidget(conditions_);
    legendLayout->addLayout(buttons);
    auto* scroll = new QScrollArea(legendWidget);
    scroll->setWidgetResizable(true);
    auto* rows = new QWidget;
    grid_ = new QGridLayout(rows);
    grid_->setObjectName(QStringLiteral("gridLayoutAll"));
    grid_->setAlignment(Qt::AlignTop);
    scroll->setWidget(rows);
    legendLayout->addWidget(scroll, 1);
    legendDock_->setWidget(legendWidget);
    addDockWidget(Qt::RightDockWidgetArea, legendDock_);

    sourcesDock_ = new QDockWidget(QStringLiteral("Sources"), this);
    sourcesDock_->setObjectName(QStringLiteral("dw_Sources"));
    sources_ = new QLabel(QStringLiteral("Measure: %1").arg(title), sourcesDock_);
    sources_->setWordWrap(true);
    sourcesDock_->setWidget(sources_);
    addDockWidget(Qt::RightDockWidgetArea, sourcesDock_);

    connect(show_, &QPushButton::clicked, this, &LinePlot::conditionsShow);
    connect(hide_, &QPushButton::clicked, this, &LinePlot::conditionsHide);

    imageAction_ = new QAction(QStringLiteral("Export to image..."), this);
    csvAction_ = new QAction(QStringLiteral("Export to CSV..."), this);
    allCsvAction_ = new QAction(QStringLiteral("Export all series to CSV..."), this);
    connect(imageAction_, &QAction::triggered, this, &LinePlot::saveImage);
    figureAction_ = new QAction(plot_export::kFigureAction, this);
    connect(figureAction_, &QAction::triggered, this, &LinePlot::saveFigure);
    connect(csvAction_, &QAction::triggered, this, &LinePlot::saveCSV);
    connect(allCsvAction_, &QAction::triggered, this, &LinePlot::saveAllCSV);
}

QList<QAction*> LinePlot::contextActions() const {
    QList<QAction*> actions{imageAction_};
    if (csvAction_) actions << csvAction_ << allCsvAction_;
    return actions;
}

void LinePlot::setSourcesText(const QString& text) {
    sources_->setText(QStringLiteral("Measure: %1\n%2").arg(title_, text));
}

QString LinePlot::sourcesText() const {
    return sources_->text();
}

void LinePlot::showOnlyImageExport() {
    csvAction_ = nullptr;
    allCsvAction_ = nullptr;
}

void LinePlot::addSeries(const QList<float>& values, const QString& name, int type) {
    auto* series = new QLineSeries;
    for (int i = 0; i < values.size(); ++i) series->append(i, values[i]);
    series->setPointsVisible(true);
    const QString seriesName = name.isEmpty() ? QStringLiteral("Series %1").arg(series_.size() + 1) : name;
    series->setName(seriesName);
    chart_->addSeries(series);
    series_.append(series);

    const QColor color = kPalette[(series_.size() - 1) % std::size(kPalette)];
    series->setColor(color);
    QColor faded = color;
    faded.setAlphaF(0.25);
    const QPen defaultPen(color, 2);
    series->setProperty("default-pen", defaultPen);
    series->setProperty("fadein-pen", QPen(faded, 2));
    series->setPen(defaultPen);

    const int k = series_.size() - 1;
    const bool trigger = type == 2;
    auto* box = new MyLabel;
    box->setObjectName(QStringLiteral("Colorbox%1").arg(k));
    box->setFixedSize(15, 15);
    box->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                           .arg(color.red())
                           .arg(color.green())
                           .arg(color.blue()));
    box->setProperty("row", k);
    auto* label = new MyLabel(trigger ? QStringLiteral("Trigger: %1").arg(seriesName) : seriesName);
    label->setProperty("row", k);
    auto* check = new QCheckBox;
    check->setChecked(true);
    check->setTristate(false);
    check->setProperty("row", k);
    check->setProperty("ts_label", seriesName);
    if (trigger) {
        box->setEnabled(false);
        label->setEnabled(false);
        check->hide();
    }
    connect(box, &MyLabel::hoverLabel, this, &LinePlot::highlightLineSeries);
    connect(label, &MyLabel::hoverLabel, this, &LinePlot::highlightLineSeries);
    connect(check, &QCheckBox::stateChanged, this, &LinePlot::toggleLineSeries);
    grid_->addWidget(box, k, 0);
    grid_->addWidget(label, k, 1);
    grid_->addWidget(check, k, 2);
}

void LinePlot::finish(const QStringList& labels) {
    chart_->createDefaultAxes();
    chart_->legend()->hide();
    if (!labels.isEmpty()) {
        setConditionAxis(labels, QStringLiteral("VOIs"));
    } else if (!chart_->axes(Qt::Horizontal).isEmpty()) {
        auto* axis = qobject_cast<QValueAxis*>(chart_->axes(Qt::Horizontal).first());
        if (axis) {
            axis->setLabelFormat(QStringLiteral("%i"));
            axis->setTitleText(QStringLiteral("Voxels"));
            const int points = series_.isEmpty() ? 0 : series_.first()->count();
            axis->setTickCount(points <= kMostTicks ? std::max(points, 2) : 10);
        }
    }
    if (!chart_->axes(Qt::Vertical).isEmpty()) chart_->axes(Qt::Vertical).first()->setTitleText(title_);

    conditions_->clear();
    conditions_->addItem(QStringLiteral("All"));
    for (const QLineSeries* s : series_) conditions_->addItem(s->name(), s->name());
    if (!usesProtocol_) {
        conditions_->setEnabled(false);
        show_->setEnabled(false);
        hide_->setEnabled(false);
    }
}

void LinePlot::setConditionAxis(const QStringList& names, const QString& title) {
    for (QAbstractAxis* old : chart_->axes(Qt::Horizontal)) {
        chart_->removeAxis(old);
        delete old;
    }
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setTitleText(title);
    axis->setLabelsAngle(90);
    axis->setRange(-0.5, names.size() - 0.5);
    axisNames_ = names;
    axisStep_ = 0;
    chart_->addAxis(axis, Qt::AlignBottom);
    for (QLineSeries* s : series_) s->attachAxis(axis);
    thinAxisLabels();
}

int LinePlot::axisLabelStep(int names, qreal axisLength, qreal labelRoom) {
    if (names <= 1 || axisLength <= 0) return 1;
    // The chart shares the axis among its labels and one more slot (the
    // axis start).
    for (int step = 1; step < names; ++step) {
        const int labels = (names + step - 1) / step;
        if ((labels + 1) * labelRoom <= axisLength) return step;
    }
    return names;
}

void LinePlot::thinAxisLabels() {
    auto* axis = chart_->axes(Qt::Horizontal).isEmpty()
                     ? nullptr
                     : qobject_cast<QCategoryAxis*>(chart_->axes(Qt::Horizontal).first());
    if (!axis) return;
    // Upright names side by side need a line height each; when the nodes sit
    // closer than that, every k-th node is named (Qt would otherwise cut
    // every name down to an ellipsis).
    const qreal room = QFontMetricsF(axis->labelsFont()).height() + kLabelAir;
    const int step = axisLabelStep(axisNames_.size(), chart_->plotArea().width(), room);
    if (step == axisStep_) return;
    axisStep_ = step;
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    for (int i = 0; i < axisNames_.size(); i += step) axis->append(axisNames_[i], i);
}

QStringList LinePlot::axisLabels() const {
    const auto axes = chart_->axes(Qt::Horizontal);
    auto* axis = axes.isEmpty() ? nullptr : qobject_cast<QCategoryAxis*>(axes.first());
    return axis ? axis->categoriesLabels() : QStringList();
}

QCheckBox* LinePlot::checkBox(int row) const {
    QLayoutItem* item = grid_->itemAtPosition(row, 2);
    return item ? qobject_cast<QCheckBox*>(item->widget()) : nullptr;
}

MyLabel* LinePlot::nameLabel(int row) const {
    QLayoutItem* item = grid_->itemAtPosition(row, 1);
    return item ? qobject_cast<MyLabel*>(item->widget()) : nullptr;
}

void LinePlot::highlightLineSeries(bool state) {
    const QObject* source = sender();
    if (!source) return;
    const int row = source->property("row").toInt();
    for (int k = 0; k < series_.size(); ++k) {
        QLineSeries* s = series_[k];
        const bool fade = state && k != row && s->isVisible();
        s->setPen(s->property(fade ? "fadein-pen" : "default-pen").value<QPen>());
    }
}

void LinePlot::toggleLineSeries(int) {
    auto* check = qobject_cast<QCheckBox*>(sender());
    if (!check) return;
    const int row = check->property("row").toInt();
    if (row >= 0 && row < series_.size()) series_[row]->setVisible(check->isChecked());
}

void LinePlot::hideConditionControls() {
    conditions_->hide();
    show_->hide();
    hide_->hide();
}

void LinePlot::setShown(bool shown) {
    const bool all = conditions_->currentIndex() <= 0;
    const QString selected = conditions_->currentData().toString();
    for (int k = 0; k < series_.size(); ++k) {
        if (!all && series_[k]->name() != selected) continue;
        series_[k]->setVisible(shown);
        if (QCheckBox* check = checkBox(k)) {
            const QSignalBlocker block(check);
            check->setChecked(shown);
        }
    }
}

void LinePlot::conditionsShow() {
    setShown(true);
}

void LinePlot::conditionsHide() {
    setShown(false);
}

void LinePlot::showContextMenu(const QPoint& pos) {
    QMenu menu(this);
    menu.addActions(contextActions());
    menu.addAction(figureAction_);
    menu.exec(view_->mapToGlobal(pos));
}

void LinePlot::saveImage() {
    plot_export::saveWidgetImage(this, view_, prompts_);
}

plot_export::FigurePainter LinePlot::figure() const {
    QChart* chart = chart_;
    QChartView* view = view_;
    return [chart, view](QPainter& painter, const QRectF& target) {
        // On screen the series are named in a dock; a figure for a paper
        // carries its own legend, shown only while it is drawn.
        QLegend* legend = chart->legend();
        const bool shown = legend->isVisible();
        legend->setAlignment(Qt::AlignBottom);
        legend->show();
        chart->layout()->activate();
        plot_export::sceneFigure(view->scene(), view->sceneRect())(painter, target);
        legend->setVisible(shown);
        chart->layout()->activate();
    };
}

void LinePlot::saveFigure() {
    plot_export::saveFigure(this, figure(), prompts_);
}

void LinePlot::writeFirstSeriesCsv(std::ostream& out) const {
    if (series_.isEmpty()) return;
    QStringList values;
    for (const QPointF& p : series_.first()->points()) values << QString::number(p.y(), 'g', 6);
    out << values.join(QLatin1Char(',')).toStdString();
}

void LinePlot::writeAllSeriesCsv(std::ostream& out) const {
    for (const QLineSeries* s : series_) {
        QStringList row{csvField(s->name())};
        for (const QPointF& p : s->points()) row << QString::number(p.y(), 'g', 6);
        out << row.join(QLatin1Char(',')).toStdString() << '\n';
    }
}

void LinePlot::saveCSV() {
    plot_export::saveCsv(this, prompts_, [this](std::ostream& out) { writeFirstSeriesCsv(out); });
}

void LinePlot::saveAllCSV() {
    plot_export::saveCsv(this, prompts_, [this](std::ostream& out) { writeAllSeriesCsv(out); });
}

// ---------------------------------------------------------------------------

TimeseriesLinePlot::TimeseriesLinePlot(const QString& title, bool usesProtocol, QWidget* parent)
    : LinePlot(title, usesProtocol, parent) {
    setObjectName(QStringLiteral("TimeseriesLineplot"));
    showOnlyImageExport();
}

void TimeseriesLinePlot::setValues(const QList<float>& values, const QString& name) {
    addSeries(values, name, 1);
    // One line: its check box shows and hides it, so the per-condition
    // chooser and its buttons have nothing to offer.
    hideConditionControls();
    chart_->createDefaultAxes();
    chart_->legend()->hide();
    if (!chart_->axes(Qt::Vertical).isEmpty()) chart_->axes(Qt::Vertical).first()->setTitleText(title_);
}

void TimeseriesLinePlot::setConditions(const QStringList& names) {
    setConditionAxis(names, QStringLiteral("Conditions"));
}

}  // namespace graph::ui
