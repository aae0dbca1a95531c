#pragma once
// The circular plot's colour key: the weight colour map from the smallest to
// the largest weight shown, with both ends written under the bar and, when
// negative weights are shown, what blue and red stand for.

#include <QFont>
#include <QGraphicsItem>

class QGraphicsSimpleTextItem;

namespace graph::ui {

class CircularPlotColourBar : public QGraphicsItem {
public:
    explicit CircularPlotColourBar(QGraphicsItem* parent = nullptr);

    // The range of weights the bar spans; `low` may equal `high`.
    void setRange(double low, double high);
    double low() const { return low_; }
    double high() const { return high_; }

    QGraphicsSimpleTextItem* lowText() const { return lowText_; }
    QGraphicsSimpleTextItem* highText() const { return highText_; }
    QGraphicsSimpleTextItem* title() const { return title_; }
    // Says what the two ends of the map mean; shown for signed ranges only.
    QGraphicsSimpleTextItem* signCaption() const { return signCaption_; }
    // The bar with its texts, in the bar's own coordinates.
    QRectF fullRect() const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    static constexpr double kWidth = 240.0;
    static constexpr double kHeight = 12.0;

private:
    void layoutTexts();

    double low_ = 0.0;
    double high_ = 0.0;
    QGraphicsSimpleTextItem* title_;
    QGraphicsSimpleTextItem* lowText_;
    QGraphicsSimpleTextItem* highText_;
    QGraphicsSimpleTextItem* signCaption_;
};

}  // namespace graph::ui
