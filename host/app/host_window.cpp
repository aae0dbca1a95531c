#include "host/app/host_window.h"

#include "host/app/qt_dialog_answerer.h"
#include "host/session/host_state.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QScreen>
#include <QSplitter>
#include <QWindow>

#include <algorithm>
#include <functional>

namespace talvora::app {

QPoint placeBeside(const QRect& beside, const QSize& frameSize, const QRect& available) {
    constexpr int gap = 16;
    const int x = std::min(beside.right() + 1 + gap, available.right() + 1 - frameSize.width());
    const int y = std::min(beside.top(), available.bottom() + 1 - frameSize.height());
    return {std::max(x, available.left()), std::max(y, available.top())};
}

namespace {
// Calls `act` once, at the watched window's first exposure.
class FirstExposure : public QObject {
public:
    FirstExposure(QWindow& watched, std::function<void()> act) : QObject(&watched), act_(std::move(act)) {
        watched.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            act_();
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> act_;
};
}  // namespace

void HostWindow::placeBesideWhenShown(QWindow& form) {
    new FirstExposure(form, [this, &form] {
        const QScreen* screen = form.screen();
        if (!screen) return;
        move(placeBeside(form.frameGeometry(), frameGeometry().size(), screen->availableGeometry()));
    });
}

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
    // The session's lines so far, then each new one as it is written; the
    // plug-ins' simple markup ("VOI: <b>Reference</b>") is not shown as text.
    HostState& host = HostState::instance();
    for (const std::string& line : host.logLines) appendLog(messagePlainText(line));
    host.logObserver = [this](const std::string& line) { appendLog(messagePlainText(line)); };
}

HostWindow::~HostWindow() {
    HostState::instance().logObserver = nullptr;
}

void HostWindow::appendLog(const QString& line) {
    log_->appendPlainText(line);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

}  // namespace talvora::app
