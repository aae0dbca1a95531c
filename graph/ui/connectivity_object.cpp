#include "graph/ui/connectivity_object.h"

#include "graph/ui/connectivity_object_ui.h"
#include "graph/io/subject_data.h"
#include "graph/ui/window_placement.h"

namespace graph::ui {

using namespace graph::core;
using namespace graph::io;
using namespace graph::widgets;

ConnectivityObject::ConnectivityObject(std::shared_ptr<const Subject> subject, QObject* parent)
    : QObject(parent), subject_(std::move(subject)) {}

ConnectivityObject::~ConnectivityObject() {
    // The window is top-level (no widget parent) but shows this object's
    // data, so it goes with it.
    if (window_) {
        disconnect(window_, nullptr, this, nullptr);
        delete window_;
    }
}

void ConnectivityObject::load() {
    std::vector<Eigen::MatrixXf> matrices = loadFinalMatrices(*subject_);
    QStringList names;
    for (const std::string& name : selectNodeNames(subject_->manifest)) names << QString::fromStdString(name);
    matrices_ = std::move(matrices);
    nodeNames_ = names;
}

void ConnectivityObject::showWindow() {
    if (!window_) {
        window_ = new ConnectivityObjectUI(this);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        connect(window_, &QObject::destroyed, this, &ConnectivityObject::connectivityObjectUIDestroyed);
        placeNewWindow(window_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ConnectivityObject::connectivityObjectUIDestroyed(QObject*) {
    window_ = nullptr;
}

}  // namespace graph::ui
