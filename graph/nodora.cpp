#include "graph/nodora.h"

#include "graph/connectivity_object.h"
#include "graph/nodora_form.h"
#include "graph/subjects_model.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <exception>

namespace {
const char* const kRowProperty = "row";
const QString kErrorTitle = QStringLiteral("Connectivity & Graph Analysis Plugin");
}  // namespace

Nodora::Nodora(QWidget* parent) : QDialog(parent), ui(new NodoraForm)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("CGAnalysis"));
    // Starts above other windows, as the ticked "Keep on top" says.
    setWindowFlags(Qt::WindowStaysOnTopHint);

    // The group comparison is not offered: its page is built but kept out of sight.
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
}

Nodora::~Nodora()
{
    delete ui;
}

bool Nodora::data_addSubject()
{
    const QString path = prompts_.chooseManifestFile ? prompts_.chooseManifestFile(this) : QString();
    if (path.isEmpty())
        return false;
    if (!QFileInfo(path).isReadable())
        return false;
    return addSubjectFromFile(path);
}

bool Nodora::addSubjectFromFile(const QString& path)
{
    auto subject = std::make_shared<Subject>();
    try {
        static_cast<StudyManifest&>(*subject) = readStudyManifest(QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        prompts_.showError(this, kErrorTitle,
                           tr("The study manifest could not be read:\n%1").arg(QString::fromLocal8Bit(e.what())));
        return false;
    }
    subject->folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
    subjects_.push_back(subject);

    const int row = subjectsModel_->add(QString::fromStdString(subject->unique_id)) - 1;
    auto* view = new QPushButton(QStringLiteral("View"));
    view->setFlat(true);
    view->setProperty(kRowProperty, row);
    connect(view, &QPushButton::clicked, this, &Nodora::viewConnectivityUI);
    ui->tbl_Subjects->setIndexWidget(subjectsModel_->index(row, 1), view);
    view->setEnabled(true);

    updateRemoveButtons();
    return true;
}

void Nodora::viewConnectivityUI()
{
    const QObject* button = sender();
    if (!button)
        return;
    bool ok = false;
    const int row = button->property(kRowProperty).toInt(&ok);
    if (!ok || row < 0 || static_cast<std::size_t>(row) >= subjects_.size())
        return;

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
    object->showWindow();
}

void Nodora::data_removeSubject()
{
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
    if (row < 0 || static_cast<std::size_t>(row) >= subjects_.size())
        return;
    removeSubjectAt(row);
    renumberViewButtons();
    updateRemoveButtons();
}

void Nodora::data_removeAllSubjects()
{
    for (int row = static_cast<int>(subjects_.size()) - 1; row >= 0; --row)
        removeSubjectAt(row);
    updateRemoveButtons();
}

void Nodora::removeSubjectAt(int row)
{
    // Open connectivity windows keep their own reference to the subject.
    subjects_.erase(subjects_.begin() + row);
    subjectsModel_->remove(row);
}

void Nodora::renumberViewButtons()
{
    for (int row = 0; row < subjectsModel_->rowCount(); ++row) {
        if (QWidget* view = ui->tbl_Subjects->indexWidget(subjectsModel_->index(row, 1)))
            view->setProperty(kRowProperty, row);
    }
}

void Nodora::updateRemoveButtons()
{
    const bool any = !subjects_.empty();
    ui->pb_RemoveSubject->setEnabled(any);
    ui->pb_RemoveAll->setEnabled(any);
}

void Nodora::closeDialog()
{
    close();
}

void Nodora::keepWindowOnTop(bool state)
{
    setWindowFlags(windowFlags().setFlag(Qt::WindowStaysOnTopHint, state));
    show();
}
