#pragma once
// The data of one subject as the analysis windows use it: its final
// connectivity matrices and node names, plus its connectivity window.

#include "graph/io/subject.h"
#include "graph/ui/user_prompts.h"

#include <Eigen/Dense>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

namespace graph::ui {

class ConnectivityObjectUI;

class ConnectivityObject : public QObject {
    Q_OBJECT

public:
    // The subject is shared with the main dialog, so removing it there does
    // not pull the data from under an open window.
    explicit ConnectivityObject(std::shared_ptr<const io::Subject> subject, QObject* parent = nullptr);
    ~ConnectivityObject() override;

    // Reads the matrices and node names; throws (linkmesh::Error,
    // SubjectDataError) and keeps the previous data when that fails.
    void load();
    // Creates the window on first use (again after it was closed) and shows it.
    void showWindow();

    const io::Subject& subject() const { return *subject_; }
    const std::vector<Eigen::MatrixXf>& matrices() const { return matrices_; }
    QStringList nodeNames() const { return nodeNames_; }
    ConnectivityObjectUI* window() const { return window_; }

    void setPrompts(const UserPrompts& prompts) { prompts_ = prompts; }
    const UserPrompts& prompts() const { return prompts_; }

public slots:
    void connectivityObjectUIDestroyed(QObject* qobject);

private:
    std::shared_ptr<const io::Subject> subject_;
    std::vector<Eigen::MatrixXf> matrices_;
    QStringList nodeNames_;
    ConnectivityObjectUI* window_ = nullptr;
    UserPrompts prompts_ = UserPrompts::interactive();
};

}  // namespace graph::ui
