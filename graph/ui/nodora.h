#pragma once
// The graph plug-in's main dialog: a list of subjects (study manifests), each
// with a "View" button that opens its connectivity window.

#include "graph/io/subject.h"
#include "graph/ui/user_prompts.h"

#include "graph/core/group_analysis.h"

#include <QDialog>

#include <memory>
#include <vector>

namespace graph::ui {

class ConnectivityObject;
struct NodoraForm;
class SubjectsModel;

class Nodora : public QDialog {
    Q_OBJECT

public:
    explicit Nodora(QWidget* parent = nullptr);
    ~Nodora() override;

    // Replaces the file dialog and message boxes (tests, scripted use).
    void setPrompts(const UserPrompts& prompts) { prompts_ = prompts; }

    const NodoraForm& form() const { return *ui; }
    SubjectsModel* subjectsModel() const { return subjectsModel_; }
    const std::vector<std::shared_ptr<const io::Subject>>& subjects() const { return subjects_; }

    // Reads the manifest at `path` and appends its subject. False, with the
    // reason shown to the user, when the manifest cannot be read.
    bool addSubjectFromFile(const QString& path);

public slots:
    bool data_addSubject();
    void data_removeSubject();
    void data_removeAllSubjects();
    void viewConnectivityUI();
    void closeDialog();
    void keepWindowOnTop(bool state);
    // Group Analysis page: spectral distances between the selected subjects.
    void computeGraphDistance();
    void exportGraphDistance();
    // Group Analysis page: "Open" opens the connectivity windows of the
    // selected subjects; "Release" closes them and frees their matrices,
    // "Release All" does so for every subject.
    void openSelectedSubjects();
    void releaseSelectedSubjects();
    void releaseAllSubjects();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void openConnectivityWindow(int row);
    std::vector<int> selectedGroupRows() const;
    QList<ConnectivityObject*> connectivityObjects() const;
    void showDistanceTable(std::vector<core::NamedMatrix> entries, const Eigen::MatrixXf& table);
    void removeSubjectAt(int row);
    void renumberViewButtons();
    void updateRemoveButtons();
    void updateGroupAnalysis();

    NodoraForm* ui;
    SubjectsModel* subjectsModel_ = nullptr;
    std::vector<std::shared_ptr<const io::Subject>> subjects_;
    UserPrompts prompts_ = UserPrompts::interactive();
    std::vector<core::NamedMatrix> distanceEntries_;
    Eigen::MatrixXf distanceTable_;
};

}  // namespace graph::ui
