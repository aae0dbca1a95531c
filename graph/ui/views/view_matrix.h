#pragma once
// The matrix view: one matrix of a subject as a table of values on coloured
// cells, with a legend, a histogram of the values, an overview picture and,
// with the protocol, the conditions to pick the matrix from.

#include "graph/io/study_manifest.h"
#include "graph/ui/user_prompts.h"

#include <Eigen/Dense>
#include <QColor>
#include <QStringList>
#include <QWidget>

#include <vector>

class QCheckBox;
class QGraphicsView;
class QGridLayout;
class QGroupBox;
class QLabel;
class QSpinBox;

namespace graph::ui {

class ConnectivityMatrixWidget;
class Histogram;
class ViewMatrixTable;

class ViewMatrix : public QWidget {
    Q_OBJECT

public:
    explicit ViewMatrix(QWidget* parent = nullptr);

    void setMatrices(std::vector<Eigen::MatrixXf> matrices) { matrices_ = std::move(matrices); }
    void setNodeNames(const QStringList& names) { nodeNames_ = names; }
    void setConditions(const std::vector<io::ConditionRecord>& conditions);
    void setPrompts(const UserPrompts& prompts);
    // Builds every part from matrix 0 and shows the view.
    void build();

    ViewMatrixTable* table() const { return table_; }
    Histogram* histogram() const { return histogram_; }
    ConnectivityMatrixWidget* overview() const { return overview_; }
    QLabel* colorLabel() const { return lblColor_; }
    QLabel* valueLabel() const { return lblValue_; }
    QLabel* histogramLabel() const { return lblHist_; }
    QCheckBox* symmetricBox() const { return checkSymmetric_; }
    QCheckBox* showValuesBox() const { return checkValues_; }
    QSpinBox* binsBox() const { return sboxBins_; }
    QCheckBox* normalizeBox() const { return cboxNormalize_; }
    QGroupBox* legendBox() const { return legend_; }
    QGridLayout* conditionsGrid() const { return conditionsGrid_; }
    int shownIndex() const { return shown_; }
    const Eigen::MatrixXf& shownMatrix() const { return matrix_; }
    QColor cellColor(int row, int column) const;

public slots:
    void browseMatrix();
    void pickValue(int row, int column);
    void clearPickValue();

private:
    void buildConditions();
    void showMatrix(int k);
    void fillTable();
    void fillHistogram();
    int valueColumnWidth(int characters) const;
    // Side of a row (and of a column without values) that holds a header
    // name with its descent.
    int headerCellSide() const;
    void buildLegend();
    void scrollTableTo(int row, int column);

    std::vector<Eigen::MatrixXf> matrices_;
    std::vector<io::ConditionRecord> conditions_;
    bool usesProtocol_ = false;
    QStringList nodeNames_;
    Eigen::MatrixXf matrix_;
    float smallest_ = 0;
    float largest_ = 0;
    std::vector<QColor> colours_;
    int shown_ = 0;
    int cellSide_ = 15;

    QWidget* conditionsWidget_;
    QGridLayout* conditionsGrid_;
    ViewMatrixTable* table_;
    QLabel* lblColor_;
    QLabel* lblValue_;
    QCheckBox* checkSymmetric_;
    QCheckBox* checkValues_;
    Histogram* histogram_;
    QLabel* lblHist_;
    QSpinBox* sboxBins_;
    QCheckBox* cboxNormalize_;
    ConnectivityMatrixWidget* overview_;
    QGroupBox* legend_;
};

}  // namespace graph::ui
