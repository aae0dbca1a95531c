// GUI mode's own window beside the plug-in's: the document panel and the log
// pane, which shows every hxLogText line and every message box's text and
// keeps the newest line in view.
#pragma once

#include "host/app/document_panel.h"

#include <QWidget>

class QPlainTextEdit;

namespace talvora::app {

class HostWindow : public QWidget {
    Q_OBJECT

public:
    // Follows the session's log from now on (until destroyed).
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    DocumentPanel& documents() { return *documents_; }
    QPlainTextEdit& logPane() { return *log_; }

    // Adds a line at the end of the log pane and scrolls to it.
    void appendLog(const QString& line);

private:
    DocumentPanel* documents_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
};

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
