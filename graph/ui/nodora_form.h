#pragma once
// Widgets of the main dialog, built in code (the dialog's "generated" form).
// Object names are fixed: other code and tests find widgets by them.

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QWidget;

namespace graph::ui {

struct NodoraForm {
    QTabWidget* tabWidget = nullptr;

    QWidget* tab_Data = nullptr;
    QLabel* lbl_Subjects = nullptr;
    QLabel* lbl_SubjectsCounter = nullptr;
    QTableView* tbl_Subjects = nullptr;
    QPushButton* pb_AddSubject = nullptr;
    QPushButton* pb_RemoveSubject = nullptr;
    QPushButton* pb_RemoveAll = nullptr;

    QWidget* tab_GroupAnalysis = nullptr;
    QLabel* lbl_ConnObjs = nullptr;
    QListWidget* list_ConnObjs = nullptr;
    QPushButton* btn_OpenSubject = nullptr;
    QPushButton* btn_ReleaseSubject = nullptr;
    QPushButton* btn_ReleaseAllSubjects = nullptr;
    QGroupBox* groupBox_6 = nullptr;
    QLabel* label_2 = nullptr;
    QPushButton* btn_ComputeGraphDistance = nullptr;
    QComboBox* cbox_GraphDistance = nullptr;
    QLabel* lbl_GraphStatus = nullptr;
    QTableWidget* tbl_GraphResults = nullptr;
    QPushButton* btn_ExportGraphDistance = nullptr;

    QCheckBox* cbox_KeepOnTop = nullptr;
    QPushButton* pb_CloseDialog = nullptr;

    void setupUi(QDialog* dialog);
};

}  // namespace graph::ui
