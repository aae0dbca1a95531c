#include "graph/ui/nodora_form.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace graph::ui {

namespace {

template <typename W>
W* named(W* widget, const char* objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QWidget* buildDataTab(NodoraForm& f) {
    auto* page = named(new QWidget, "tab_Data");
    auto* layout = new QVBoxLayout(page);

    auto* header = new QHBoxLayout;
    f.lbl_Subjects = named(new QLabel(QStringLiteral("<b>Dataset</b>")), "lbl_Subjects");
    f.lbl_SubjectsCounter = named(new QLabel(QStringLiteral("0")), "lbl_SubjectsCounter");
    header->addWidget(f.lbl_Subjects);
    header->addStretch();
    header->addWidget(f.lbl_SubjectsCounter);
    layout->addLayout(header);

    f.tbl_Subjects = named(new QTableView, "tbl_Subjects");
    f.tbl_Subjects->setSelectionMode(QAbstractItemView::SingleSelection);
    f.tbl_Subjects->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(f.tbl_Subjects);

    auto* buttons = new QHBoxLayout;
    f.pb_AddSubject = named(new QPushButton(QStringLiteral("Add subject")), "pb_AddSubject");
    f.pb_AddSubject->setFlat(true);
    f.pb_RemoveSubject = named(new QPushButton(QStringLiteral("Remove selected")), "pb_RemoveSubject");
    f.pb_RemoveSubject->setEnabled(false);
    f.pb_RemoveAll = named(new QPushButton(QStringLiteral("Remove All")), "pb_RemoveAll");
    f.pb_RemoveAll->setEnabled(false);
    buttons->addWidget(f.pb_AddSubject);
    buttons->addStretch();
    buttons->addWidget(f.pb_RemoveSubject);
    buttons->addWidget(f.pb_RemoveAll);
    layout->addLayout(buttons);

    f.tab_Data = page;
    return page;
}

QWidget* buildGroupAnalysisTab(NodoraForm& f) {
    auto* page = named(new QWidget, "tab_GroupAnalysis");
    auto* layout = new QVBoxLayout(page);

    f.lbl_ConnObjs = named(new QLabel(QStringLiteral("Select which subjects to compare.")), "lbl_ConnObjs");
    layout->addWidget(f.lbl_ConnObjs);
    f.list_ConnObjs = named(new QListWidget, "list_ConnObjs");
    f.list_ConnObjs->setSelectionMode(QAbstractItemView::MultiSelection);
    f.list_ConnObjs->setAlternatingRowColors(true);
    f.list_ConnObjs->setDropIndicatorShown(false);
    layout->addWidget(f.list_ConnObjs);

    auto* subjectButtons = new QHBoxLayout;
    f.btn_OpenSubject = named(new QPushButton(QStringLiteral("Open")), "btn_OpenSubject");
    f.btn_ReleaseSubject = named(new QPushButton(QStringLiteral("Release")), "btn_ReleaseSubject");
    f.btn_ReleaseAllSubjects =
        named(new QPushButton(QStringLiteral("Release All")), "btn_ReleaseAllSubjects");
    f.btn_OpenSubject->setToolTip(QStringLiteral("Open the connectivity windows of the selected subjects."));
    f.btn_ReleaseSubject->setToolTip(
        QStringLiteral("Close the connectivity windows of the selected subjects and free their matrices."));
    f.btn_ReleaseAllSubjects->setToolTip(
        QStringLiteral("Close every connectivity window and free the matrices."));
    subjectButtons->addWidget(f.btn_OpenSubject);
    subjectButtons->addWidget(f.btn_ReleaseSubject);
    subjectButtons->addWidget(f.btn_ReleaseAllSubjects);
    layout->addLayout(subjectButtons);

    f.groupBox_6 = named(new QGroupBox(QStringLiteral("Group Analysis")), "groupBox_6");
    auto* groupLayout = new QVBoxLayout(f.groupBox_6);
    f.label_2 = named(new QLabel(QStringLiteral(
                          "<html><head/><body><p>Compute a distance/similarity matrix between the given "
                          "connectivity matrices of the selected subjects. The metric is based on the "
                          "euclidean distance of the eigen values of the matrices. The matrices will be "
                          "padded with zeros if needed.</p></body></html>")),
                      "label_2");
    f.label_2->setWordWrap(true);
    groupLayout->addWidget(f.label_2);

    auto* distanceRow = new QHBoxLayout;
    f.cbox_GraphDistance = named(new QComboBox, "cbox_GraphDistance");
    f.cbox_GraphDistance->addItem(QStringLiteral("Spectral Euclidean Distance"));
    f.btn_ComputeGraphDistance =
        named(new QPushButton(QStringLiteral("Compute")), "btn_ComputeGraphDistance");
    distanceRow->addWidget(f.cbox_GraphDistance);
    distanceRow->addWidget(f.btn_ComputeGraphDistance);
    groupLayout->addLayout(distanceRow);

    // What the last "Compute" did, then its distances as a table.
    f.lbl_GraphStatus = named(new QLabel, "lbl_GraphStatus");
    f.lbl_GraphStatus->setWordWrap(true);
    f.lbl_GraphStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    groupLayout->addWidget(f.lbl_GraphStatus);
    f.tbl_GraphResults = named(new QTableWidget, "tbl_GraphResults");
    f.tbl_GraphResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    f.tbl_GraphResults->setMinimumHeight(120);
    groupLayout->addWidget(f.tbl_GraphResults, 1);
    f.btn_ExportGraphDistance =
        named(new QPushButton(QStringLiteral("Export to CSV...")), "btn_ExportGraphDistance");
    f.btn_ExportGraphDistance->setEnabled(false);
    groupLayout->addWidget(f.btn_ExportGraphDistance, 0, Qt::AlignRight);
    layout->addWidget(f.groupBox_6, 1);

    f.tab_GroupAnalysis = page;
    return page;
}

}  // namespace

void NodoraForm::setupUi(QDialog* dialog) {
    dialog->resize(439, 552);
    dialog->setWindowTitle(QStringLiteral("Connectivity & Graph Analysis Plugin"));

    auto* layout = new QVBoxLayout(dialog);
    tabWidget = named(new QTabWidget(dialog), "tabWidget");
    tabWidget->addTab(buildDataTab(*this), QStringLiteral("Data"));
    tabWidget->addTab(buildGroupAnalysisTab(*this), QStringLiteral("Group Analysis"));
    tabWidget->setCurrentIndex(0);
    layout->addWidget(tabWidget);

    auto* bottom = new QHBoxLayout;
    cbox_KeepOnTop = named(new QCheckBox(QStringLiteral("Keep on top")), "cbox_KeepOnTop");
    cbox_KeepOnTop->setChecked(true);
    pb_CloseDialog = named(new QPushButton(QStringLiteral("Close")), "pb_CloseDialog");
    bottom->addWidget(cbox_KeepOnTop);
    bottom->addStretch();
    bottom->addWidget(pb_CloseDialog);
    layout->addLayout(bottom);
}

}  // namespace graph::ui
