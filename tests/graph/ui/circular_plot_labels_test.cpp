// The circular plot's labels and colour key as a reader sees them: every
// label inside the picture, outside the ring of nodes, reading outward and
// clear of its neighbours; the colour bar naming both ends of the weights
// shown; exports without the pointer's highlight.
#include "graph/ui/views/circular_plot.h"
#include "graph/ui/views/circular_plot_colour_bar.h"
#include "graph/ui/views/circular_plot_edges.h"
#include "graph/ui/views/circular_plot_widget.h"
#include "graph/core/circular_layout.h"
#include "graph/widgets/my_graphics_simple_text_item.h"

#include "ui_fixture.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsEllipseItem>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScatterSeries>
#include <QSplineSeries>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using QtCharts::QSplineSeries;

namespace {

Eigen::MatrixXf denseMatrix(int n, float low = 0.05f) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> weight(low, 1.0f);
    Eigen::MatrixXf m = Eigen::MatrixXf::Zero(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) m(i, j) = m(j, i) = weight(rng);
    return m;
}

QStringList atlasNames(int n) {
    static const QStringList base{"R_DLPFC", "L_DLPFC", "R_Insula", "L_Insula", "Precuneus", "ACC",
                                  "R_SMA",   "L_SMA",   "R_M1",     "L_M1",     "Thalamus",  "PCC"};
    QStringList names;
    for (int i = 0; i < n; ++i) names << (i < base.size() ? base[i] : QStringLiteral("Region %1").arg(i));
    return names;
}

QStringList longNames(int n) {
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QStringLiteral("Region %1 of the left dorsolateral prefrontal cortex, anterior part").arg(i);
    return names;
}

// The label's box as drawn in the scene (turned, not its axis-aligned hull).
QPolygonF drawnBox(const QGraphicsItem* item) {
    return item->mapToScene(item->boundingRect());
}

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * ab).length();
}

// Nearest distance from `p` to the outline of a convex box not holding p.
double distanceToBox(QPointF p, const QPolygonF& box) {
    double best = 1e300;
    for (int k = 0; k + 1 < box.size(); ++k) best = std::min(best, distanceToSegment(p, box[k], box[k + 1]));
    return best;
}

class CircularPlotLabelsTest : public ::testing::Test {
protected:
    CircularPlotWidget* open(const Eigen::MatrixXf& matrix, const QStringList& names) {
        window = std::make_unique<CircularPlot>(subject, std::vector<Eigen::MatrixXf>{matrix}, names);
        window->show();
        window->buildAndPlot();
        QApplication::processEvents();
        return window->plotWidget();
    }
    // The circle's centre and the nodes' outer rim, in scene coordinates.
    QPointF centre(CircularPlotWidget* plot) const {
        const QPointF onChart = plot->chart()->mapToPosition(QPointF(320, 320), plot->nodeSeries());
        return plot->chart()->mapToScene(onChart);
    }
    double rim(CircularPlotWidget* plot) const {
        return graph::core::circular::radius() + plot->nodeSeries()->markerSize() / 2.0;
    }
    QPointF node(CircularPlotWidget* plot, int k) const {
        return plot->chart()->mapToScene(plot->nodeOnScreen(k));
    }

    QList<MyGraphicsSimpleTextItem*> shownLabels(CircularPlotWidget* plot) const {
        QList<MyGraphicsSimpleTextItem*> shown;
        for (MyGraphicsSimpleTextItem* label : plot->labels())
            if (label->isVisible()) shown << label;
        return shown;
    }

    void expectReadableLayout(CircularPlotWidget* plot, const QStringList& names) {
        const int n = names.size();
        ASSERT_EQ(plot->labels().size(), n);
        const QRectF content = plot->contentRect();
        EXPECT_EQ(plot->sceneRect(), content) << "the view shows exactly the fitted content";
        // The fitted content lies inside the window's viewport.
        const QRect onScreen = plot->mapFromScene(content).boundingRect();
        EXPECT_TRUE(plot->viewport()->rect().adjusted(-1, -1, 1, 1).contains(onScreen))
            << "content " << onScreen.width() << "x" << onScreen.height() << " at " << onScreen.x() << ","
            << onScreen.y();
        const QPointF c = centre(plot);
        for (int k = 0; k < n; ++k) {
            MyGraphicsSimpleTextItem* label = plot->labels()[k];
            EXPECT_EQ(label->property("index").toInt(), k);
            EXPECT_EQ(label->toolTip(), names[k]) << "the full name under the pointer";
            EXPECT_EQ(plot->nodeTips()[k]->toolTip(), names[k]);
            if (label->text() != names[k]) {
                ASSERT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
                EXPECT_TRUE(names[k].startsWith(label->text().chopped(1)));
            }
            if (!label->isVisible()) {
                EXPECT_TRUE(label->property("thinned").toBool()) << k;
                continue;
            }
            EXPECT_TRUE(content.contains(label->sceneBoundingRect())) << k;
            const QPolygonF box = drawnBox(label);
            EXPECT_GT(distanceToBox(c, box), rim(plot)) << "label " << k << " reaches into the ring";
            // Outward from its node: its middle is farther out, in the node's direction.
            const QPointF middle = box.boundingRect().center();
            const QPointF out = node(plot, k) - c;
            EXPECT_GT(QLineF(c, middle).length(), QLineF(c, node(plot, k)).length()) << k;
            EXPECT_GT(QPointF::dotProduct(middle - c, out),
                      0.99 * QLineF(c, middle).length() * QLineF(QPointF(), out).length())
                << "label " << k << " does not follow its node's direction";
            // Text reads left to right (or along a vertical).
            const QPointF along = label->mapToScene(QPointF(1, 0)) - label->mapToScene(QPointF(0, 0));
            EXPECT_GT(along.x(), -1e-3) << "label " << k << " upside down";
        }
        const QList<MyGraphicsSimpleTextItem*> shown = shownLabels(plot);
        for (int a = 0; a < shown.size(); ++a)
            for (int b = a + 1; b < shown.size(); ++b)
                EXPECT_FALSE(drawnBox(shown[a]).intersects(drawnBox(shown[b])))
                    << shown[a]->toolTip().toStdString() << " overlaps " << shown[b]->toolTip().toStdString();
    }

    Subject subject;
    std::unique_ptr<CircularPlot> window;
};

}  // namespace

TEST_F(CircularPlotLabelsTest, TwelveNodesShowEveryNameWholeInsideTheWindow) {
    const QStringList names = atlasNames(12);
    CircularPlotWidget* plot = open(denseMatrix(12), names);
    expectReadableLayout(plot, names);
    EXPECT_EQ(plot->labelStep(), 1);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(plot->labels()[k]->text(), names[k]) << "short names are never cut";
        EXPECT_TRUE(plot->labels()[k]->isVisible());
    }
    // Left-side nodes: the label runs away from the centre, not across the ring.
    const QPointF c = centre(plot);
    int left = 0;
    for (int k = 0; k < 12; ++k) {
        if (node(plot, k).x() > c.x() - 1) continue;
        ++left;
        const QPolygonF box = drawnBox(plot->labels()[k]);
        // Its middle lies farther left than the node, its leftmost corner
        // farther still by most of the text's length.
        const QRectF hull = box.boundingRect();
        EXPECT_LT(hull.center().x(), node(plot, k).x()) << names[k].toStdString();
        EXPECT_LT(hull.left(), node(plot, k).x() - 0.4 * plot->labels()[k]->boundingRect().width())
            << names[k].toStdString();
    }
    EXPECT_EQ(left, 5);
}

TEST_F(CircularPlotLabelsTest, WindowSizeNeverClipsALabel) {
    const QStringList names = atlasNames(12);
    CircularPlotWidget* plot = open(denseMatrix(12), names);
    for (const QSize size : {QSize(700, 781), QSize(1400, 800), QSize(720, 1200)}) {
        window->resize(size);
        QApplication::processEvents();
        const QRect viewport = plot->viewport()->rect().adjusted(-1, -1, 1, 1);
        for (MyGraphicsSimpleTextItem* label : plot->labels())
            EXPECT_TRUE(viewport.contains(plot->mapFromScene(label->sceneBoundingRect()).boundingRect()))
                << label->text().toStdString() << " at window " << size.width() << "x" << size.height();
    }
}

TEST_F(CircularPlotLabelsTest, HundredNodesShrinkTheFontAndStayApart) {
    const QStringList names = atlasNames(100);
    CircularPlotWidget* plot = open(denseMatrix(100), names);
    expectReadableLayout(plot, names);
    EXPECT_LT(plot->labels()[0]->font().pixelSize(), 13) << "the font follows the node count";
    EXPECT_GT(plot->labels()[0]->font().pixelSize(), 0);
}

TEST_F(CircularPlotLabelsTest, LongNamesAreElidedWithTheFullNameAsToolTip) {
    const QStringList names = longNames(100);
    CircularPlotWidget* plot = open(denseMatrix(100), names);
    expectReadableLayout(plot, names);
    EXPECT_NE(plot->labels()[3]->text(), names[3]);
}

TEST_F(CircularPlotLabelsTest, TwoHundredNodesThinTheLabels) {
    const QStringList names = longNames(200);
    CircularPlotWidget* plot = open(denseMatrix(200), names);
    expectReadableLayout(plot, names);
    EXPECT_GE(plot->labelStep(), 2);
    EXPECT_TRUE(plot->labels()[0]->isVisible());
    EXPECT_FALSE(plot->labels()[1]->isVisible());
    EXPECT_TRUE(plot->labels()[plot->labelStep()]->isVisible());
    // Switching labels off and on keeps the thinned ones hidden.
    plot->setLabelsVisible(false);
    EXPECT_TRUE(shownLabels(plot).isEmpty());
    plot->setLabelsVisible(true);
    EXPECT_FALSE(plot->labels()[1]->isVisible());
    EXPECT_EQ(shownLabels(plot).size(), (200 + plot->labelStep() - 1) / plot->labelStep());
}

TEST_F(CircularPlotLabelsTest, ColourBarNamesBothEndsOfTheWeightsShown) {
    // Weights -0.5, 0.3, 0.5, 1.0 and 1e-9.
    Eigen::MatrixXf m(4, 4);
    m << 0, 1.0f, 0.5f, 0.3f, 1.0f, 0, -0.5f, 1e-9f, 0.5f, -0.5f, 0, 0, 0.3f, 1e-9f, 0, 0;
    CircularPlotWidget* plot = open(m, atlasNames(4));
    CircularPlotColourBar* bar = plot->colourBar();
    EXPECT_FALSE(bar->isVisible()) << "no key for uncoloured edges";
    plot->setColorizeEdges(true);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->lowText()->text(), "-0.5");
    EXPECT_EQ(bar->highText()->text(), "1");
    EXPECT_TRUE(bar->signCaption()->isVisible());
    EXPECT_EQ(bar->signCaption()->text(), "blue: negative weights, red: positive weights");
    EXPECT_TRUE(plot->contentRect().contains(bar->mapRectToScene(bar->fullRect())));
    // Its ends carry the colours of the end weights.
    QImage picture(480, 24, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        painter.scale(2.0, 2.0);
        bar->paint(&painter, nullptr, nullptr);
    }
    const auto colourOf = [](double w) {
        const auto c = graph::core::circular::weightColour(w);
        return QColor::fromRgbF(c.red, c.green, c.blue);
    };
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <=
               24;
    };
    EXPECT_TRUE(near(picture.pixelColor(3, 12), colourOf(-0.5)));
    EXPECT_TRUE(near(picture.pixelColor(476, 12), colourOf(1.0)));

    // The display range narrows what is shown: 1e-9, 0.3 and 0.5 remain.
    window->displayRangeChanged(0, 1000);
    EXPECT_EQ(bar->lowText()->text(), "1e-09");
    EXPECT_EQ(bar->highText()->text(), "0.5");
    EXPECT_FALSE(bar->signCaption()->isVisible());
    window->displayRangeChanged(900, 950);
    EXPECT_FALSE(bar->isVisible()) << "no edge shown, nothing to explain";
    window->displayRangeChanged(0, 1000);
    plot->setColorizeEdges(false);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(CircularPlotLabelsTest, SpanningTreeMarkerColourNeverOccursInTheWeightMap) {
    CircularPlotWidget* plot = open(denseMatrix(6), atlasNames(6));
    window->contextActions()[1]->trigger();
    QColor marker;
    for (QSplineSeries* s : plot->edgeSeries())
        if (s->property("mst_sig").toBool()) marker = s->pen().color();
    ASSERT_TRUE(marker.isValid());
    plot->setColorizeEdges(true);
    for (QSplineSeries* s : plot->edgeSeries()) {
        if (s->property("mst_sig").toBool()) {
            EXPECT_EQ(s->pen().color(), marker) << "marked edges keep it";
        }
    }
    for (int k = -4000; k <= 4000; ++k) {
        const auto c = graph::core::circular::weightColour(k / 1000.0);
        const double d = std::abs(c.red - marker.redF()) + std::abs(c.green - marker.greenF()) +
                         std::abs(c.blue - marker.blueF());
        ASSERT_GT(d, 0.5) << "weight " << k / 1000.0 << " looks like the marker";
    }
}

TEST_F(CircularPlotLabelsTest, FigureLeavesOutTheHoverHighlight) {
    Eigen::MatrixXf m(3, 3);
    m << 0, 0.8f, 0.4f, 0.8f, 0, 0.6f, 0.4f, 0.6f, 0;
    CircularPlotWidget* plot = open(m, atlasNames(3));
    const QPen before = plot->edge(0, 1)->pen();
    plot->highlightEdgeSeries(plot->edge(0, 2), true);
    ASSERT_TRUE(plot->valueText()->isVisible());
    ASSERT_NE(plot->edge(0, 1)->pen(), before);
    MyGraphicsSimpleTextItem* label = plot->labels()[2];
    emit label->hovering(true);
    ASSERT_FALSE(plot->edge(0, 1)->isVisible());

    QImage image(300, 300, QImage::Format_ARGB32);
    QPainter painter(&image);
    window->figure()(painter, QRectF(0, 0, 300, 300));
    painter.end();
    EXPECT_FALSE(plot->valueText()->isVisible());
    EXPECT_EQ(plot->edge(0, 1)->pen(), before);
    EXPECT_EQ(plot->edge(0, 2)->pen().color(), before.color());
    EXPECT_TRUE(plot->edge(0, 1)->isVisible());
}

TEST_F(CircularPlotLabelsTest, PointerOverAnEdgeHighlightsItAndLeavingRestoresIt) {
    Eigen::MatrixXf m(4, 4);
    m << 0, 0.8f, 0.4f, 0, 0.8f, 0, 0.6f, 0, 0.4f, 0.6f, 0, 0.2f, 0, 0, 0.2f, 0;
    CircularPlotWidget* plot = open(m, atlasNames(4));
    QSplineSeries* target = plot->edge(0, 2);
    // The curve passes through its middle point, the series' second point.
    const QPointF middle =
        plot->chart()->mapToScene(plot->chart()->mapToPosition(target->at(1), plot->nodeSeries()));
    CircularPlotEdges* layer = plot->edgeLayer();
    EXPECT_EQ(layer->edgeAt(layer->mapFromScene(middle)), target);
    EXPECT_EQ(layer->edgeAt(layer->mapFromScene(middle + QPointF(40, -60))), nullptr) << "no edge there";

    const auto moveTo = [&](const QPointF& scenePoint) {
        const QPoint at = plot->mapFromScene(scenePoint);
        QMouseEvent move(QEvent::MouseMove, at, plot->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(plot->viewport(), &move);
    };
    const QPen before = plot->edge(0, 1)->pen();
    moveTo(middle);
    EXPECT_TRUE(plot->valueText()->isVisible());
    EXPECT_EQ(plot->valueText()->text(), "0.4");
    EXPECT_EQ(target->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(plot->edge(0, 1)->pen().color(), QColor(0, 0, 0, 10));
    moveTo(middle + QPointF(40, -60));
    EXPECT_FALSE(plot->valueText()->isVisible());
    EXPECT_EQ(plot->edge(0, 1)->pen(), before);

    // A hidden edge is not caught.
    window->displayRangeChanged(500, 1000);
    EXPECT_EQ(layer->edgeAt(layer->mapFromScene(middle)), nullptr);
}
