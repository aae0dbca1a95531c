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

    // Where a connectivity window of the given width goes: right of the
    // dialog, else left of it, else as far right as the screen allows.
    static QPoint besidePosition(const QRect& dialog, int width, const QRect& available);

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void placeBesideDialog(QWidget* window) const;
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
