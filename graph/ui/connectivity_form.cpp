#include "graph/ui/connectivity_form.h"

#include "graph/widgets/qxtspanslider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace graph::ui {

using namespace graph::widgets;

namespace {

template <typename W>
W* named(W* widget, const char* objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QHBoxLayout* titledButtonRow(QLabel* text, QPushButton* button) {
    auto* row = new QHBoxLayout;
    text->setWordWrap(true);
    row->addWidget(text, 1);
    row->addWidget(button);
    return row;
}

QGroupBox* buildCircularPlotOptions(ConnectivityForm& f) {
    f.groupbox_CircularPlot = named(new QGroupBox(QStringLiteral("Nodes && Edges")), "groupbox_CircularPlot");
    f.groupbox_CircularPlot->setEnabled(false);
    auto* form = new QFormLayout(f.groupbox_CircularPlot);

    f.chkBox_CircPlot_ShowLabels = named(new QCheckBox, "chkBox_CircPlot_ShowLabels");
    f.chkBox_CircPlot_ShowLabels->setChecked(true);
    form->addRow(QStringLiteral("Show labels"), f.chkBox_CircPlot_ShowLabels);

    auto* range = new QHBoxLayout;
    f.lbl_Spanner_Low = named(new QLabel(QStringLiteral("0.0")), "lbl_Spanner_Low");
    f.widget_CircPlot_Spanner = named(new QxtSpanSlider(Qt::Horizontal), "widget_CircPlot_Spanner");
    f.lbl_Spanner_Upper = named(new QLabel(QStringLiteral("1.0")), "lbl_Spanner_Upper");
    range->addWidget(f.lbl_Spanner_Low);
    range->addWidget(f.widget_CircPlot_Spanner, 1);
    range->addWidget(f.lbl_Spanner_Upper);
    form->addRow(QStringLiteral("Display range"), range);

    f.sBox_CircPlot_NodesSize = named(new QSpinBox, "sBox_CircPlot_NodesSize");
    f.sBox_CircPlot_NodesSize->setMinimum(1);
    f.sBox_CircPlot_NodesSize->setValue(10);
    form->addRow(QStringLiteral("Nodes' size"), f.sBox_CircPlot_NodesSize);

    f.chkBox_CircPlot_ConnWeights = named(new QCheckBox, "chkBox_CircPlot_ConnWeights");
    f.chkBox_CircPlot_ConnWeights->setChecked(true);
    form->addRow(QStringLiteral("Use weights for edges' thickness"), f.chkBox_CircPlot_ConnWeights);

    f.dsBox_CircPlot_EdgesThickness = named(new QDoubleSpinBox, "dsBox_CircPlot_EdgesThickness");
    f.dsBox_CircPlot_EdgesThickness->setDecimals(1);
    f.dsBox_CircPlot_EdgesThickness->setRange(1.0, 10.0);
    f.dsBox_CircPlot_EdgesThickness->setSingleStep(0.5);
    f.dsBox_CircPlot_EdgesThickness->setValue(1.0);
    form->addRow(QStringLiteral("Fixed thickness"), f.dsBox_CircPlot_EdgesThickness);

    f.chkBox_CircPlot_ConnColors = named(new QCheckBox, "chkBox_CircPlot_ConnColors");
    f.chkBox_CircPlot_ConnColors->setChecked(false);
    form->addRow(QStringLiteral("Use weights for edge's colors"), f.chkBox_CircPlot_ConnColors);

    f.sBox_CircPlot_ThicknessMultiplier = named(new QDoubleSpinBox, "sBox_CircPlot_ThicknessMultiplier");
    f.sBox_CircPlot_ThicknessMultiplier->setRange(0.01, 10.0);
    f.sBox_CircPlot_ThicknessMultiplier->setSingleStep(0.1);
    f.sBox_CircPlot_ThicknessMultiplier->setValue(5.0);
    form->addRow(QStringLiteral("Thickness multiplier"), f.sBox_CircPlot_ThicknessMultiplier);
    return f.groupbox_CircularPlot;
}

QWidget* buildVisualizationTab(ConnectivityForm& f) {
    auto* page = named(new QWidget, "tab_Visualization");
    auto* layout = new QVBoxLayout(page);

    f.label_15 =
        named(new QLabel(QStringLiteral(
                  "<b>Connectivity matrix</b><br>Display the connectivity matrix in a table format.")),
              "label_15");
    f.pb_PlotConnMtx = named(new QPushButton(QStringLiteral("Visualize")), "pb_PlotConnMtx");
    layout->addLayout(titledButtonRow(f.label_15, f.pb_PlotConnMtx));

    f.label_16 = named(new QLabel(QStringLiteral("<b>Circular plot</b><br>Visualize the connections in an "
                                                 "intuitive and interactive plot")),
                       "label_16");
    f.pb_CircularPlotConnMtx = named(new QPushButton(QStringLiteral("Visualize")), "pb_CircularPlotConnMtx");
    layout->addLayout(titledButtonRow(f.label_16, f.pb_CircularPlotConnMtx));

    layout->addWidget(buildCircularPlotOptions(f));
    layout->addStretch();
    f.tab_Visualization = page;
    return page;
}

QWidget* buildGraphFeaturesTab(ConnectivityForm& f) {
    auto* page = named(new QWidget, "tab_GraphFeatures");
    auto* layout = new QVBoxLayout(page);
    auto* header = new QHBoxLayout;
    f.label_10 = named(new QLabel(QStringLiteral("Graph theoretic features")), "label_10");
    f.ckBox_UseFilteredMatrix =
        named(new QCheckBox(QStringLiteral("Use filtered matrix")), "ckBox_UseFilteredMatrix");
    f.ckBox_UseFilteredMatrix->setEnabled(false);
    header->addWidget(f.label_10);
    header->addStretch();
    header->addWidget(f.ckBox_UseFilteredMatrix);
    layout->addLayout(header);

    f.tblView_GraphFeatures = named(new QTableView, "tblView_GraphFeatures");
    f.tblView_GraphFeatures->setWordWrap(true);
    f.tblView_GraphFeatures->verticalHeader()->setVisible(false);
    layout->addWidget(f.tblView_GraphFeatures);

    // Correlation matrices hold negative weights, which the measures are not
    // defined for: the user picks how they are treated.
    auto* weights = new QHBoxLayout;
    f.cbox_NegativeWeights = named(new QComboBox, "cbox_NegativeWeights");
    f.cbox_NegativeWeights->addItem(QStringLiteral("positive weights only"));
    f.cbox_NegativeWeights->addItem(QStringLiteral("absolute values"));
    f.cbox_NegativeWeights->setToolTip(
        QStringLiteral("positive weights only: negative weights are set to 0 before computing.\n"
                       "absolute values: every weight is replaced by its absolute value."));
    weights->addWidget(new QLabel(QStringLiteral("Negative weights:")));
    weights->addWidget(f.cbox_NegativeWeights);
    weights->addStretch();
    layout->addLayout(weights);
    f.tab_GraphFeatures = page;
    return page;
}

QWidget* buildNodesTab(ConnectivityForm& f) {
    auto* page = named(new QWidget, "tab_Nodes");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(caption(
        QStringLiteral("Select which nodes to include to the visualization and analysis procedure.")));
    f.tblView_Nodes = named(new QTableView, "tblView_Nodes");
    layout->addWidget(f.tblView_Nodes);
    auto* buttons = new QHBoxLayout;
    f.btn_HideAllNodes = named(new QPushButton(QStringLiteral("hide all")), "btn_HideAllNodes");
    f.btn_ShowAllNodes = named(new QPushButton(QStringLiteral("show all")), "btn_ShowAllNodes");
    buttons->addStretch();
    buttons->addWidget(f.btn_HideAllNodes);
    buttons->addWidget(f.btn_ShowAllNodes);
    layout->addLayout(buttons);
    f.tab_Nodes = page;
    return page;
}

QWidget* buildFilterTab(ConnectivityForm& f) {
    auto* page = named(new QWidget, "tab_Filter");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(caption(QStringLiteral("Filter out the connections given the arbitrary boundaries.")));

    f.groupBox = named(new QGroupBox(QStringLiteral("W&ithin Range")), "groupBox");
    f.groupBox->setCheckable(true);
    f.groupBox->setChecked(false);
    auto* rangeForm = new QFormLayout(f.groupBox);
    f.sBox_FilterRange_LowBound = named(new QDoubleSpinBox, "sBox_FilterRange_LowBound");
    f.sBox_FilterRange_LowBound->setRange(0.0, 0.99);
    f.sBox_FilterRange_LowBound->setSingleStep(0.1);
    f.sBox_FilterRange_LowBound->setValue(0.0);
    rangeForm->addRow(QStringLiteral("Low boundary"), f.sBox_FilterRange_LowBound);
    f.sBox_FilterRange_UpperBound = named(new QDoubleSpinBox, "sBox_FilterRange_UpperBound");
    f.sBox_FilterRange_UpperBound->setRange(0.0, 1.0);
    f.sBox_FilterRange_UpperBound->setSingleStep(0.1);
    f.sBox_FilterRange_UpperBound->setValue(1.0);
    rangeForm->addRow(QStringLiteral("Upper boundary"), f.sBox_FilterRange_UpperBound);
    layout->addWidget(f.groupBox);

    f.groupBox_2 = named(new QGroupBox(QStringLiteral("Percen&tage")), "groupBox_2");
    f.groupBox_2->setCheckable(true);
    f.groupBox_2->setChecked(false);
    auto* percentLayout = new QVBoxLayout(f.groupBox_2);
    percentLayout->addWidget(caption(QStringLiteral("Filter in only the % of the strongest connections.")));
    auto* percentForm = new QFormLayout;
    f.sBox_FilterPerc_Perc = named(new QSpinBox, "sBox_FilterPerc_Perc");
    f.sBox_FilterPerc_Perc->setRange(1, 100);
    f.sBox_FilterPerc_Perc->setSingleStep(5);
    f.sBox_FilterPerc_Perc->setValue(85);
    f.sBox_FilterPerc_Perc->setSuffix(QStringLiteral("%"));
    percentForm->addRow(QStringLiteral("of strongest connections"), f.sBox_FilterPerc_Perc);
    percentLayout->addLayout(percentForm);
    layout->addWidget(f.groupBox_2);
    layout->addStretch();
    f.tab_Filter = page;
    return page;
}

}  // namespace

void ConnectivityForm::setupUi(QDialog* dialog) {
    dialog->resize(641, 640);
    dialog->setWindowTitle(QStringLiteral("Dialog"));

    auto* layout = new QVBoxLayout(dialog);
    tabWidget = named(new QTabWidget(dialog), "tabWidget");
    tabWidget->addTab(buildVisualizationTab(*this), QStringLiteral("Visualization"));
    tabWidget->addTab(buildGraphFeaturesTab(*this), QStringLiteral("Graph Analysis"));
    tabWidget->addTab(buildNodesTab(*this), QStringLiteral("Nodes"));
    tabWidget->addTab(buildFilterTab(*this), QStringLiteral("Fliter"));
    tabWidget->setCurrentIndex(0);
    layout->addWidget(tabWidget);

    auto* bottom = new QHBoxLayout;
    pb_Close = named(new QPushButton(QStringLiteral("Close")), "pb_Close");
    bottom->addStretch();
    bottom->addWidget(pb_Close);
    layout->addLayout(bottom);
}

}  // namespace graph::ui
