#include "host/app/host_window.h"

#include "host/session/host_state.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>

namespace talvora::app {

HostWindow::HostWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("talvoraHostWindow");
    setWindowTitle("Talvora");
    auto* layout = new QHBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    documents_ = new DocumentPanel(splitter);
    log_ = new QPlainTextEdit(splitter);
    log_->setObjectName("logPane");
    log_->setReadOnly(true);
    log_->setPlaceholderText("Log");
    splitter->addWidget(documents_);
    splitter->addWidget(log_);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);
    resize(760, 420);
    documents_->onProblem = [this](const QString& problem) { appendLog(problem); };
    // The session's lines so far, then each new one as it is written.
    HostState& host = HostState::instance();
    for (const std::string& line : host.logLines) appendLog(QString::fromStdString(line));
    host.logObserver = [this](const std::string& line) { appendLog(QString::fromStdString(line)); };
}

HostWindow::~HostWindow() {
    HostState::instance().logObserver = nullptr;
}

void HostWindow::appendLog(const QString& line) {
    log_->appendPlainText(line);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

}  // namespace talvora::app
