// The matrix view's histogram counts each pair of nodes once: the values
// above the diagonal, never the mirrored half below it nor the diagonal.
#include "graph/ui/views/matrix_widgets.h"
#include "graph/ui/views/view_matrix.h"

#include "ui_fixture.h"

#include <QBarSet>
#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

// 12 nodes: the 66 pairs above the diagonal hold k / 65 for k = 0 .. 65 in
// row order; the diagonal holds 1 and the half below it 5, so counting either
// would change both the number of values and the bins.
Eigen::MatrixXf twelveNodes() {
    Eigen::MatrixXf m = Eigen::MatrixXf::Constant(12, 12, 5.0f);
    int k = 0;
    for (int i = 0; i < 12; ++i) {
        m(i, i) = 1.0f;
        for (int j = i + 1; j < 12; ++j) m(i, j) = static_cast<float>(k++) / 65.0f;
    }
    return m;
}

}  // namespace

TEST(MatrixHistogram, TwelveNodesCountSixtySixPairsInTheirBins) {
    ViewMatrix view;
    view.setMatrices({twelveNodes()});
    QStringList names;
    for (int i = 0; i < 12; ++i) names << QStringLiteral("R%1").arg(i);
    view.setNodeNames(names);
    view.build();

    EXPECT_EQ(view.histogramLabel()->text(), "66 values, 0 to 1");
    // Ten bins of 0.1 from 0 to 1: k / 65 falls in bin floor(k / 6.5), the
    // last bin also holding 1 itself. By hand: k = 0..6, 7..12, 13..19,
    // 20..25, 26..32, 33..38, 39..45, 46..51, 52..58, 59..65.
    const double expected[10] = {7, 6, 7, 6, 7, 6, 7, 6, 7, 7};
    QtCharts::QBarSet* bars = view.histogram()->bars();
    ASSERT_EQ(bars->count(), 10);
    for (int b = 0; b < 10; ++b) EXPECT_EQ(bars->at(b), expected[b]) << "bin " << b;
    EXPECT_EQ(bars->sum(), 66.0);

    // The mirrored view shows the same pairs, so the same histogram.
    view.symmetricBox()->setChecked(true);
    EXPECT_EQ(view.histogramLabel()->text(), "66 values, 0 to 1");
    for (int b = 0; b < 10; ++b) EXPECT_EQ(bars->at(b), expected[b]) << "bin " << b;
}
