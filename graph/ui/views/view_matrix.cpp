#include "graph/ui/views/view_matrix.h"

#include "graph/core/circular_layout.h"
#include "graph/core/matrix_tables.h"
#include "graph/ui/views/matrix_widgets.h"
#include "graph/widgets/my_label.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>

#include <algorithm>
#include <QVBoxLayout>

namespace graph::ui {

using namespace graph::core;
using namespace graph::io;
using namespace graph::widgets;

namespace {

constexpr int kHeaderSection = 15;
constexpr int kLegendSwatches = 10;

QColor weightColor(double w) {
    const circular::Rgb c = circular::weightColour(w);
    return QColor::fromRgbF(c.red, c.green, c.blue, 1.0);
}

// Colour boxes of the conditions, one per row, repeating.
QColor conditionColor(int k) {
    static const QColor palette[] = {QColor(31, 119, 180),  QColor(255, 127, 14),  QColor(44, 160, 44),
                                     QColor(214, 39, 40),   QColor(148, 103, 189), QColor(140, 86, 75),
                                     QColor(227, 119, 194), QColor(127, 127, 127)};
    return palette[k % 8];
}

QString swatchStyle(const QColor& c) {
    return QStringLiteral("background: rgb(%1, %2, %3);").arg(c.red()).arg(c.green()).arg(c.blue());
}

}  // namespace

ViewMatrix::ViewMatrix(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Browse Connectivity Map"));
    setMinimumHeight(620);
    resize(1100, 720);
    auto* main = new QHBoxLayout(this);

    // Conditions, in a scroll area.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setMaximumWidth(280);
    scroll->setMinimumWidth(200);
    conditionsWidget_ = new QWidget;
    conditionsWidget_->setObjectName(QStringLiteral("widget_Conditions"));
    auto* conditionsLayout = new QVBoxLayout(conditionsWidget_);
    auto* conditionsGroup = new QGroupBox(QStringLiteral("Conditions"), conditionsWidget_);
    conditionsGrid_ = new QGridLayout(conditionsGroup);
    conditionsGrid_->setObjectName(QStringLiteral("gridLayout_Conditions"));
    conditionsLayout->addWidget(conditionsGroup);
    conditionsLayout->addStretch(1);
    scroll->setWidget(conditionsWidget_);
    main->addWidget(scroll);

    // The table and its status bar.
    auto* centre = new QVBoxLayout;
    table_ = new ViewMatrixTable(this);
    table_->setObjectName(QStringLiteral("tableMatrix"));
    table_->setStyleSheet(QStringLiteral("background-color { #ffffff; }"));
    table_->setMouseTracking(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setHorizontalHeader(new VerticalHeaderView(Qt::Horizontal, table_));
    for (QHeaderView* header : {table_->horizontalHeader(), table_->verticalHeader()}) {
        header->setStyleSheet(QStringLiteral("QHeaderView { font-family: arial; font-size: 10px;}"));
        header->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
        header->setFont(QFont(QStringLiteral("arial"), 10));
    }
    // Rows (and the small square columns) as tall as the header's text: a
    // shorter row cuts the descent, and with it every underscore of names
    // like "R_Putamen".
    cellSide_ = headerCellSide();
    for (QHeaderView* header : {table_->horizontalHeader(), table_->verticalHeader()}) {
        header->setMinimumSectionSize(cellSide_);
        header->setDefaultSectionSize(cellSide_);
    }
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    centre->addWidget(table_, 1);
    auto* statusbar = new QWidget(this);
    statusbar->setObjectName(QStringLiteral("widget_statusbar"));
    auto* statusLayout = new QHBoxLayout(statusbar);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    lblColor_ = new QLabel(statusbar);
    lblColor_->setObjectName(QStringLiteral("lbl_Color"));
    lblColor_->setFixedSize(15, 15);
    lblValue_ = new QLabel(statusbar);
    lblValue_->setObjectName(QStringLiteral("lbl_Value"));
    statusLayout->addWidget(lblColor_);
    statusLayout->addWidget(lblValue_, 1);
    centre->addWidget(statusbar);
    main->addLayout(centre, 1);

    // Options, histogram, overview and legend.
    auto* side = new QVBoxLayout;
    auto* visualization = new QGroupBox(QStringLiteral("Visualization"), this);
    visualization->setObjectName(QStringLiteral("groupBox_Visualization"));
    auto* visLayout = new QVBoxLayout(visualization);
    checkSymmetric_ = new QCheckBox(QStringLiteral("Plot symmetric matrix"), visualization);
    checkSymmetric_->setObjectName(QStringLiteral("checkBox"));
    checkValues_ = new QCheckBox(QStringLiteral("Show values"), visualization);
    checkValues_->setObjectName(QStringLiteral("checkBox_2"));
    checkValues_->setChecked(true);
    visLayout->addWidget(checkSymmetric_);
    visLayout->addWidget(checkValues_);
    side->addWidget(visualization);

    auto* histogramBox = new QGroupBox(QStringLiteral("Histogram"), this);
    histogramBox->setObjectName(QStringLiteral("groupBox_Histogram"));
    auto* histLayout = new QGridLayout(histogramBox);
    histogram_ = new Histogram(histogramBox);
    histogram_->setObjectName(QStringLiteral("histogram"));
    histogram_->setMinimumHeight(160);
    lblHist_ = new QLabel(QStringLiteral("TextLabel"), histogramBox);
    lblHist_->setObjectName(QStringLiteral("lbl_Hist"));
    sboxBins_ = new QSpinBox(histogramBox);
    sboxBins_->setObjectName(QStringLiteral("sbox_HistBins"));
    sboxBins_->setMinimum(10);
    sboxBins_->setMaximum(200);
    sboxBins_->setSuffix(QStringLiteral(" bins"));
    cboxNormalize_ = new QCheckBox(QStringLiteral("normalize"), histogramBox);
    cboxNormalize_->setObjectName(QStringLiteral("cbox_HistNormalize"));
    histLayout->addWidget(histogram_, 0, 0, 1, 3);
    histLayout->addWidget(lblHist_, 1, 0);
    histLayout->addWidget(sboxBins_, 1, 1);
    histLayout->addWidget(cboxNormalize_, 1, 2);
    side->addWidget(histogramBox);

    auto* overviewBox = new QGroupBox(QStringLiteral("Overview"), this);
    overviewBox->setObjectName(QStringLiteral("groupbox_Overview"));
    auto* overviewLayout = new QVBoxLayout(overviewBox);
    overview_ = new ConnectivityMatrixWidget(overviewBox);
    overview_->setObjectName(QStringLiteral("graphicsView"));
    overview_->setMinimumSize(180, 180);
    overviewLayout->addWidget(overview_);
    side->addWidget(overviewBox, 1);

    legend_ = new QGroupBox(this);
    legend_->setObjectName(QStringLiteral("groupbox_Legend"));
    side->addWidget(legend_);
    main->addLayout(side);

    connect(table_, &QTableWidget::cellEntered, this, &ViewMatrix::pickValue);
    connect(table_, &ViewMatrixTable::mouseLeave, this, &ViewMatrix::clearPickValue);
    connect(table_, &QTableWidget::cellEntered, overview_, &ConnectivityMatrixWidget::pickValue);
    connect(table_, &ViewMatrixTable::mouseLeave, overview_, &ConnectivityMatrixWidget::clearValue);
    connect(overview_, &ConnectivityMatrixWidget::cellPressed, this, &ViewMatrix::scrollTableTo);
    connect(checkSymmetric_, &QCheckBox::toggled, this, [this] { showMatrix(shown_); });
    connect(checkValues_, &QCheckBox::toggled, this, [this] { fillTable(); });
    connect(sboxBins_, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { fillHistogram(); });
    connect(cboxNormalize_, &QCheckBox::toggled, this, [this] { fillHistogram(); });
}

void ViewMatrix::setConditions(const std::vector<ConditionRecord>& conditions) {
    conditions_ = conditions;
    usesProtocol_ = true;
}

void ViewMatrix::setPrompts(const UserPrompts& prompts) {
    overview_->setPrompts(prompts);
}

QColor ViewMatrix::cellColor(int row, int column) const {
    return colours_.at(static_cast<std::size_t>(row * matrix_.cols() + column));
}

void ViewMatrix::build() {
    buildConditions();
    showMatrix(0);
    show();
}

void ViewMatrix::buildConditions() {
    if (!usesProtocol_) {
        conditionsGrid_->addWidget(new QLabel(QStringLiteral("No protocol loaded.")), 0, 0);
        return;
    }
    for (int k = 0; k < static_cast<int>(conditions_.size()); ++k) {
        const ConditionRecord& c = conditions_[static_cast<std::size_t>(k)];
        const bool trigger = c.type != 1;
        auto* box = new MyLabel;
        box->setFixedSize(15, 15);
        box->setStyleSheet(swatchStyle(conditionColor(k)));
        box->setProperty("row", k);
        const QString name = QString::fromStdString(c.name);
        auto* label = new MyLabel(trigger ? QStringLiteral("Trigger: %1").arg(name) : name);
        label->setProperty("row", k);
        auto* time = new QLabel(QString::number(c.t));
        time->setToolTip(QStringLiteral("in TR"));
        time->setMaximumWidth(40);
        if (trigger) {
            box->setEnabled(false);
            label->setEnabled(false);
        } else {
            connect(box, &MyLabel::clicked, this, &ViewMatrix::browseMatrix);
            connect(label, &MyLabel::clicked, this, &ViewMatrix::browseMatrix);
            label->setCursor(Qt::PointingHandCursor);
        }
        conditionsGrid_->addWidget(box, k, 0);
        conditionsGrid_->addWidget(label, k, 1);
        conditionsGrid_->addWidget(time, k, 2);
    }
}

void ViewMatrix::browseMatrix() {
    const QObject* source = sender();
    if (!source) return;
    const int k = source->property("row").toInt();
    if (k < 0 || static_cast<std::size_t>(k) >= matrices_.size()) {
        lblValue_->setText(QStringLiteral("No matrix for this condition."));
        return;
    }
    showMatrix(k);
}

void ViewMatrix::showMatrix(int k) {
    shown_ = k;
    if (static_cast<std::size_t>(k) >= matrices_.size()) {
        matrix_.resize(0, 0);
    } else {
        const Eigen::MatrixXf& m = matrices_[static_cast<std::size_t>(k)];
        matrix_ = checkSymmetric_->isChecked() ? mirrorUpperTriangle(m) : m;
    }
    colours_.clear();
    colours_.reserve(static_cast<std::size_t>(matrix_.size()));
    for (Eigen::Index r = 0; r < matrix_.rows(); ++r)
        for (Eigen::Index c = 0; c < matrix_.cols(); ++c) colours_.push_back(weightColor(matrix_(r, c)));
    // The key spans the matrix on show, so both its ends are values the
    // table holds.
    smallest_ = matrix_.size() ? matrix_.minCoeff() : 0.0f;
    largest_ = matrix_.size() ? matrix_.maxCoeff() : 0.0f;
    fillTable();
    overview_->setMatrix(matrix_, colours_, nodeNames_);
    fillHistogram();
    buildLegend();
}

void ViewMatrix::fillTable() {
    const bool values = checkValues_->isChecked();
    table_->setUpdatesEnabled(false);
    table_->clear();
    table_->setRowCount(static_cast<int>(matrix_.rows()));
    table_->setColumnCount(static_cast<int>(matrix_.cols()));
    table_->setHorizontalHeaderLabels(nodeNames_);
    table_->setVerticalHeaderLabels(nodeNames_);
    int longest = 0;
    for (int r = 0; r < matrix_.rows(); ++r) {
        for (int c = 0; c < matrix_.cols(); ++c) {
            const QString text = QString::number(matrix_(r, c), 'g', 6);
            longest = std::max(longest, static_cast<int>(text.size()));
            auto* item = new QTableWidgetItem(values ? text : QString());
            item->setData(Qt::UserRole, text);
            item->setToolTip(text);
            item->setBackground(cellColor(r, c));
            table_->setItem(r, c, item);
        }
    }
    // Without values the cells are small squares; with them, wide enough to
    // read. One width for every column, from the longest text: sizing each
    // column to its contents lays out every cell's text, which took most of
    // the time to open a large matrix.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    const int width = values ? std::max(cellSide_, valueColumnWidth(longest)) : cellSide_;
    for (int c = 0; c < table_->columnCount(); ++c) header->resizeSection(c, width);
    table_->setUpdatesEnabled(true);
}

int ViewMatrix::headerCellSide() const {
    // The style sheet decides the header's font when the header is polished.
    int side = kHeaderSection;
    for (QHeaderView* header : {table_->horizontalHeader(), table_->verticalHeader()}) {
        header->ensurePolished();
        side = std::max(side, QFontMetrics(header->font()).height() + 2);
    }
    table_->ensurePolished();
    return std::max(side, QFontMetrics(table_->font()).height() + 2);
}

int ViewMatrix::valueColumnWidth(int characters) const {
    // Numbers are digits, signs, points and "e": none is wider than a digit
    // in the usual fonts; the rest is the cell's margins.
    const QFontMetrics metrics(table_->font());
    const int margin =
        2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1) + 4;
    return metrics.horizontalAdvance(QString(characters, QLatin1Char('0'))) + margin;
}

void ViewMatrix::fillHistogram() {
    // Each pair of nodes counts once, as in the circular plot.
    const std::vector<float> values = upperTriangleValues(matrix_);
    const HistogramBins bins = core::histogram(values, sboxBins_->value(), cboxNormalize_->isChecked());
    histogram_->setBars(bins.heights, bins.lowest, bins.highest);
    if (values.empty())
        lblHist_->setText(QStringLiteral("No values off the diagonal."));
    else
        lblHist_->setText(
            QStringLiteral("%1 values, %2 to %3")
                .arg(values.size())
                .arg(QString::number(bins.lowest, 'g', 6), QString::number(bins.highest, 'g', 6)));
}

void ViewMatrix::buildLegend() {
    qDeleteAll(legend_->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly));
    auto* grid = qobject_cast<QGridLayout*>(legend_->layout());
    if (!grid) {
        grid = new QGridLayout(legend_);
        grid->setSpacing(0);
    }
    // Ten swatches from the smallest to the largest value, both included,
    // and those two values written under the ends.
    const double step = (static_cast<double>(largest_) - smallest_) / (kLegendSwatches - 1);
    for (int i = 0; i < kLegendSwatches; ++i) {
        const double value = i + 1 == kLegendSwatches ? largest_ : smallest_ + i * step;
        auto* swatch = new QLabel(legend_);
        swatch->setObjectName(QStringLiteral("legend_%1").arg(i));
        swatch->setFixedSize(15, 15);
        const QColor c = weightColor(value);
        swatch->setStyleSheet(swatchStyle(c) + QStringLiteral(" border: 0px;"));
        swatch->setProperty("color", c);
        swatch->setToolTip(QString::number(value, 'g', 6));
        grid->addWidget(swatch, 0, i);
        if (i == 0 || i + 1 == kLegendSwatches) {
            auto* text = new QLabel(QString::number(value, 'g', 6), legend_);
            text->setObjectName(i == 0 ? QStringLiteral("legend_low") : QStringLiteral("legend_high"));
            text->setStyleSheet(QStringLiteral("font-size: 8px;"));
            // Spans half the bar, so a long number is never cut to a swatch's width.
            const int half = kLegendSwatches / 2;
            if (i == 0)
                grid->addWidget(text, 1, 0, 1, half, Qt::AlignLeft);
            else
                grid->addWidget(text, 1, half, 1, kLegendSwatches - half, Qt::AlignRight);
        }
    }
}

void ViewMatrix::pickValue(int row, int column) {
    QTableWidgetItem* item = table_->item(row, column);
    if (!item) return;
    const QColor c = cellColor(row, column);
    lblColor_->setStyleSheet(
        QStringLiteral("background: rgb(%1, %2, %3);").arg(c.red()).arg(c.green()).arg(c.blue()));
    lblValue_->setText(item->data(Qt::UserRole).toString());
}

void ViewMatrix::clearPickValue() {
    lblColor_->setStyleSheet(QString());
    lblValue_->clear();
}

void ViewMatrix::scrollTableTo(int row, int column) {
    if (QTableWidgetItem* item = table_->item(row, column)) {
        table_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
        table_->setCurrentItem(item);
    }
}

}  // namespace graph::ui
