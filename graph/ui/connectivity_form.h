#pragma once
// Widgets of the connectivity window, built in code. Object names are fixed:
// other code and tests find widgets by them.

class QCheckBox;
class QComboBox;
class QDialog;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QWidget;

namespace graph::widgets {
class QxtSpanSlider;
}  // namespace graph::widgets

namespace graph::ui {

using widgets::QxtSpanSlider;

struct ConnectivityForm {
    QTabWidget* tabWidget = nullptr;

    // "Visualization"
    QWidget* tab_Visualization = nullptr;
    QLabel* label_15 = nullptr;
    QPushButton* pb_PlotConnMtx = nullptr;
    QLabel* label_16 = nullptr;
    QPushButton* pb_CircularPlotConnMtx = nullptr;
    QGroupBox* groupbox_CircularPlot = nullptr;
    QCheckBox* chkBox_CircPlot_ShowLabels = nullptr;
    QxtSpanSlider* widget_CircPlot_Spanner = nullptr;
    QLabel* lbl_Spanner_Low = nullptr;
    QLabel* lbl_Spanner_Upper = nullptr;
    QSpinBox* sBox_CircPlot_NodesSize = nullptr;
    QCheckBox* chkBox_CircPlot_ConnWeights = nullptr;
    QDoubleSpinBox* dsBox_CircPlot_EdgesThickness = nullptr;
    QCheckBox* chkBox_CircPlot_ConnColors = nullptr;
    QDoubleSpinBox* sBox_CircPlot_ThicknessMultiplier = nullptr;

    // "Graph Analysis"
    QWidget* tab_GraphFeatures = nullptr;
    QLabel* label_10 = nullptr;
    QCheckBox* ckBox_UseFilteredMatrix = nullptr;
    QComboBox* cbox_NegativeWeights = nullptr;  // what the measures do with negative weights
    QTableView* tblView_GraphFeatures = nullptr;

    // "Nodes"
    QWidget* tab_Nodes = nullptr;
    QTableView* tblView_Nodes = nullptr;
    QPushButton* btn_HideAllNodes = nullptr;
    QPushButton* btn_ShowAllNodes = nullptr;

    // "Fliter" (sic: the tab's title as users know it)
    QWidget* tab_Filter = nullptr;
    QGroupBox* groupBox = nullptr;
    QDoubleSpinBox* sBox_FilterRange_LowBound = nullptr;
    QDoubleSpinBox* sBox_FilterRange_UpperBound = nullptr;
    QGroupBox* groupBox_2 = nullptr;
    QSpinBox* sBox_FilterPerc_Perc = nullptr;

    QPushButton* pb_Close = nullptr;

    void setupUi(QDialog* dialog);
};

}  // namespace graph::ui
