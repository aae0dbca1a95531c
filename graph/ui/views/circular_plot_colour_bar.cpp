#include "graph/ui/views/circular_plot_colour_bar.h"

#include "graph/core/circular_layout.h"

#include <QGraphicsSimpleTextItem>
#include <QPainter>

namespace graph::ui {

namespace {
// Slices of the drawn map: enough for a smooth bar, few enough for a small
// SVG.
constexpr int kSlices = 96;
constexpr double kTextGap = 3.0;

QColor weightColor(double w) {
    const core::circular::Rgb c = core::circular::weightColour(w);
    return QColor::fromRgbF(c.red, c.green, c.blue, 1.0);
}
}  // namespace

CircularPlotColourBar::CircularPlotColourBar(QGraphicsItem* parent) : QGraphicsItem(parent) {
    const QFont font(QStringLiteral("Arial"), 9);
    title_ = new QGraphicsSimpleTextItem(QStringLiteral("Edge weight"), this);
    lowText_ = new QGraphicsSimpleTextItem(this);
    highText_ = new QGraphicsSimpleTextItem(this);
    signCaption_ =
        new QGraphicsSimpleTextItem(QStringLiteral("blue: negative weights, red: positive weights"), this);
    for (QGraphicsSimpleTextItem* text : {title_, lowText_, highText_, signCaption_}) text->setFont(font);
    setRange(0.0, 0.0);
}

void CircularPlotColourBar::setRange(double low, double high) {
    prepareGeometryChange();
    low_ = low;
    high_ = high;
    lowText_->setText(QString::number(low, 'g', 6));
    highText_->setText(QString::number(high, 'g', 6));
    signCaption_->setVisible(low < 0.0);
    layoutTexts();
    update();
}

void CircularPlotColourBar::layoutTexts() {
    // Title above the bar, the ends below its two ends, the caption under all.
    const QRectF t = title_->boundingRect();
    title_->setPos((kWidth - t.width()) / 2.0, -t.height() - kTextGap);
    const double below = kHeight + kTextGap;
    lowText_->setPos(0.0, below);
    highText_->setPos(kWidth - highText_->boundingRect().width(), below);
    const QRectF c = signCaption_->boundingRect();
    signCaption_->setPos((kWidth - c.width()) / 2.0, below + lowText_->boundingRect().height() + kTextGap);
}

QRectF CircularPlotColourBar::boundingRect() const {
    return QRectF(0.0, 0.0, kWidth, kHeight);
}

QRectF CircularPlotColourBar::fullRect() const {
    QRectF rect = boundingRect();
    for (const QGraphicsItem* child : childItems())
        if (child->isVisible()) rect |= child->mapRectToParent(child->boundingRect());
    return rect;
}

void CircularPlotColourBar::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->save();
    painter->setPen(Qt::NoPen);
    const double slice = kWidth / kSlices;
    for (int i = 0; i < kSlices; ++i) {
        // The colour of the slice's middle; the first and last slices reach
        // the ends' colours closely enough.
        const double t = (i + 0.5) / kSlices;
        painter->setBrush(weightColor(low_ + (high_ - low_) * t));
        // A hair of overlap, so no seams show between slices when scaled.
        painter->drawRect(QRectF(i * slice, 0.0, slice + (i + 1 < kSlices ? 0.5 : 0.0), kHeight));
    }
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(QColor(80, 80, 80), 0));
    painter->drawRect(boundingRect());
    painter->restore();
}

}  // namespace graph::ui
