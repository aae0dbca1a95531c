#include "graph/ui/nodora.h"

#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/core/matrix_tables.h"
#include "graph/ui/nodora_form.h"
#include "graph/io/subject_data.h"
#include "graph/ui/subjects_model.h"
#include "graph/ui/views/plot_export.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>

#include <exception>

namespace graph::ui {

using namespace graph::core;
using namespace graph::io;
using namespace graph::widgets;

namespace {
const char* const kRowProperty = "row";
const QString kErrorTitle = QStringLiteral("Connectivity & Graph Analysis Plugin");
}  // namespace

Nodora::Nodora(QWidget* parent) : QDialog(parent), ui(new NodoraForm) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("CGAnalysis"));
    // Starts above other windows, as the ticked "Keep on top" says.
    setWindowFlags(Qt::WindowStaysOnTopHint);

    // The group comparison is offered once two subjects are loaded.
    const int groupTab = ui->tabWidget->indexOf(ui->tab_GroupAnalysis);
    ui->tab_GroupAnalysis->setEnabled(false);
    ui->tabWidget->setTabEnabled(groupTab, false);
    ui->tabWidget->setTabVisible(groupTab, false);
    ui->tab_GroupAnalysis->hide();
    // A hidden page must not widen the dialog beyond its own size.
    ui->tab_GroupAnalysis->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    subjectsModel_ = new SubjectsModel(this);
    ui->tbl_Subjects->setModel(subjectsModel_);
    ui->tbl_Subjects->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ui->tbl_Subjects->verticalHeader()->hide();

    connect(ui->pb_AddSubject, &QPushButton::clicked, this, &Nodora::data_addSubject);
    connect(ui->pb_RemoveSubject, &QPushButton::clicked, this, &Nodora::data_removeSubject);
    connect(ui->pb_RemoveAll, &QPushButton::clicked, this, &Nodora::data_removeAllSubjects);
    connect(ui->cbox_KeepOnTop, &QCheckBox::toggled, this, &Nodora::keepWindowOnTop);
    connect(ui->pb_CloseDialog, &QPushButton::clicked, this, &Nodora::closeDialog);
    connect(ui->btn_ComputeGraphDistance, &QPushButton::clicked, this, &Nodora::computeGraphDistance);
    connect(ui->btn_ExportGraphDistance, &QPushButton::clicked, this, &Nodora::exportGraphDistance);
    connect(ui->btn_OpenSubject, &QPushButton::clicked, this, &Nodora::openSelectedSubjects);
    connect(ui->btn_ReleaseSubject, &QPushButton::clicked, this, &Nodora::releaseSelectedSubjects);
    connect(ui->btn_ReleaseAllSubjects, &QPushButton::clicked, this, &Nodora::releaseAllSubjects);
}

Nodora::~Nodora() {
    delete ui;
}

bool Nodora::data_addSubject() {
    const QString path = prompts_.chooseManifestFile ? prompts_.chooseManifestFile(this) : QString();
    if (path.isEmpty()) return false;
    if (!QFileInfo(path).isReadable()) return false;
    return addSubjectFromFile(path);
}

bool Nodora::addSubjectFromFile(const QString& path) {
    auto subject = std::make_shared<Subject>();
    try {
        subject->manifest = readStudyManifest(QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        prompts_.showError(
            this, kErrorTitle,
            tr("The study manifest could not be read:\n%1").arg(QString::fromLocal8Bit(e.what())));
        return false;
    }
    subject->folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
    subjects_.push_back(subject);

    const int row = subjectsModel_->add(QString::fromStdString(subject->manifest.unique_id)) - 1;
    auto* view = new QPushButton(QStringLiteral("View"));
    view->setFlat(true);
    view->setProperty(kRowProperty, row);
    connect(view, &QPushButton::clicked, this, &Nodora::viewConnectivityUI);
    ui->tbl_Subjects->setIndexWidget(subjectsModel_->index(row, 1), view);
    view->setEnabled(true);

    updateRemoveButtons();
    return true;
}

void Nodora::viewConnectivityUI() {
    const QObject* button = sender();
    if (!button) return;
    bool ok = false;
    const int row = button->property(kRowProperty).toInt(&ok);
    if (ok) openConnectivityWindow(row);
}

void Nodora::openConnectivityWindow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= subjects_.size()) return;
    auto* object = new ConnectivityObject(subjects_[static_cast<std::size_t>(row)], this);
    object->setPrompts(prompts_);
    try {
        object->load();
    } catch (const std::exception& e) {
        delete object;
        prompts_.showError(this, kErrorTitle,
                           tr("The matrices of this subject could not be loaded:\n%1")
                               .arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    // Placed beside the open windows (not under this dialog, which stays on top).
    object->showWindow();
}

std::vector<int> Nodora::selectedGroupRows() const {
    std::vector<int> rows;
    for (const QListWidgetItem* item : ui->list_ConnObjs->selectedItems())
        rows.push_back(ui->list_ConnObjs->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<ConnectivityObject*> Nodora::connectivityObjects() const {
    return findChildren<ConnectivityObject*>(QString(), Qt::FindDirectChildrenOnly);
}

void Nodora::openSelectedSubjects() {
    for (const int row : selectedGroupRows()) openConnectivityWindow(row);
}

void Nodora::releaseSelectedSubjects() {
    for (const int row : selectedGroupRows()) {
        const Subject* subject = subjects_.at(static_cast<std::size_t>(row)).get();
        for (ConnectivityObject* object : connectivityObjects())
            if (&object->subject() == subject) delete object;  // closes its window with it
    }
}

void Nodora::releaseAllSubjects() {
    for (ConnectivityObject* object : connectivityObjects()) delete object;
}

void Nodora::closeEvent(QCloseEvent* event) {
    // The connectivity windows are top-level windows of their own. Closing
    // them first lets the dialog be the last window to close, so a host that
    // quits on the last closed window does quit; deleting them with the
    // dialog would only hide them and leave the host running.
    for (ConnectivityObject* object : connectivityObjects())
        if (ConnectivityObjectUI* window = object->window()) window->close();
    QDialog::closeEvent(event);
}

void Nodora::data_removeSubject() {
    // The selected row of the subject table; a sender carrying a row (a
    // per-row button) names its own.
    int row = -1;
    const QVariant senderRow = sender() ? sender()->property(kRowProperty) : QVariant();
    if (senderRow.isValid()) {
        row = senderRow.toInt();
    } else if (const QItemSelectionModel* selection = ui->tbl_Subjects->selectionModel()) {
        const QModelIndexList rows = selection->selectedRows();
        if (!rows.isEmpty())
            row = rows.first().row();
        else if (selection->currentIndex().isValid() && selection->isSelected(selection->currentIndex()))
            row = selection->currentIndex().row();
    }
    if (row < 0 || static_cast<std::size_t>(row) >= subjects_.size()) return;
    removeSubjectAt(row);
    renumberViewButtons();
    updateRemoveButtons();
}

void Nodora::data_removeAllSubjects() {
    for (int row = static_cast<int>(subjects_.size()) - 1; row >= 0; --row) removeSubjectAt(row);
    updateRemoveButtons();
}

void Nodora::removeSubjectAt(int row) {
    // Open connectivity windows keep their own reference to the subject.
    subjects_.erase(subjects_.begin() + row);
    subjectsModel_->remove(row);
}

void Nodora::renumberViewButtons() {
    for (int row = 0; row < subjectsModel_->rowCount(); ++row) {
        if (QWidget* view = ui->tbl_Subjects->indexWidget(subjectsModel_->index(row, 1)))
            view->setProperty(kRowProperty, row);
    }
}

void Nodora::updateRemoveButtons() {
    const bool any = !subjects_.empty();
    ui->pb_RemoveSubject->setEnabled(any);
    ui->pb_RemoveAll->setEnabled(any);
    // The "Dataset" counter shows how many subjects are loaded.
    ui->lbl_SubjectsCounter->setText(QString::number(subjects_.size()));
    updateGroupAnalysis();
}

void Nodora::updateGroupAnalysis() {
    const bool offered = subjects_.size() >= 2;
    const int groupTab = ui->tabWidget->indexOf(ui->tab_GroupAnalysis);
    ui->tab_GroupAnalysis->setEnabled(offered);
    ui->tabWidget->setTabEnabled(groupTab, offered);
    ui->tabWidget->setTabVisible(groupTab, offered);
    ui->tab_GroupAnalysis->setSizePolicy(offered ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                         offered ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    ui->list_ConnObjs->clear();
    for (const auto& subject : subjects_)
        ui->list_ConnObjs->addItem(QString::fromStdString(subject->manifest.unique_id));
}

void Nodora::computeGraphDistance() {
    const std::vector<int> rows = selectedGroupRows();
    if (rows.size() < 2) {
        showDistanceTable({}, {});
        ui->lbl_GraphStatus->setText(QStringLiteral("Select two or more subjects to compare."));
        return;
    }
    std::vector<NamedMatrix> entries;
    Eigen::MatrixXf table;
    try {
        for (const int row : rows) {
            const Subject& subject = *subjects_.at(static_cast<std::size_t>(row));
            const std::vector<Eigen::MatrixXf> matrices = loadFinalMatrices(subject);
            for (std::size_t k = 0; k < matrices.size(); ++k) {
                std::string name = subject.manifest.unique_id;
                // A subject analysed per condition contributes one entry per matrix.
                if (matrices.size() > 1)
                    name +=
                        " / " + (subject.manifest.uses_proto && k < subject.manifest.ordered_conditions.size()
                                     ? subject.manifest.ordered_conditions[k].name
                                     : "Series " + std::to_string(k));
                entries.push_back({name, matrices[k]});
            }
        }
        table = spectralDistanceTable(entries);
    } catch (const std::exception& e) {
        showDistanceTable({}, {});
        const QString text =
            tr("The spectral distance could not be computed:\n%1").arg(QString::fromLocal8Bit(e.what()));
        ui->lbl_GraphStatus->setText(text);
        prompts_.showError(this, kErrorTitle, text);
        return;
    }
    showDistanceTable(std::move(entries), table);
    ui->lbl_GraphStatus->setText(
        QStringLiteral("Spectral Euclidean Distance (%1 matrices)").arg(table.rows()));
}

void Nodora::showDistanceTable(std::vector<NamedMatrix> entries, const Eigen::MatrixXf& table) {
    distanceEntries_ = std::move(entries);
    distanceTable_ = table;
    QTableWidget* view = ui->tbl_GraphResults;
    const int n = static_cast<int>(distanceEntries_.size());
    view->clear();
    view->setRowCount(n);
    view->setColumnCount(n);
    QStringList names;
    for (const NamedMatrix& e : distanceEntries_) names << QString::fromStdString(e.name);
    // Column headers break after the subject ("sub-01 /" over "Rest"), so a
    // table of conditions stays about as wide as its numbers.
    QStringList columnNames = names;
    columnNames.replaceInStrings(QStringLiteral(" / "), QStringLiteral(" /\n"));
    view->setHorizontalHeaderLabels(columnNames);
    view->setVerticalHeaderLabels(names);
    for (int c = 0; c < n; ++c) view->horizontalHeaderItem(c)->setToolTip(names[c]);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(formatValue(table(r, c))));
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);  // results, not input
            cell->setToolTip(QStringLiteral("%1 vs %2").arg(names[r], names[c]));
            view->setItem(r, c, cell);
        }
    }
    view->resizeColumnsToContents();
    ui->btn_ExportGraphDistance->setEnabled(n > 0);
}

void Nodora::exportGraphDistance() {
    if (distanceEntries_.empty()) return;
    std::vector<std::string> names;
    for (const NamedMatrix& e : distanceEntries_) names.push_back(e.name);
    plot_export::saveCsv(this, prompts_,
                         [&](std::ostream& out) { writeMatrixCsv(out, distanceTable_, names); });
}

void Nodora::closeDialog() {
    close();
}

void Nodora::keepWindowOnTop(bool state) {
    setWindowFlags(windowFlags().setFlag(Qt::WindowStaysOnTopHint, state));
    show();
}

}  // namespace graph::ui
