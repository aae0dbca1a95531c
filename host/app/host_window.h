// GUI mode's own window beside the plug-in's: the document panel and the log
// pane, which shows every hxLogText line and every message box's text and
// keeps the newest line in view.
#pragma once

#include "host/app/document_panel.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

class QPlainTextEdit;
class QWindow;

namespace talvora::app {

// Where a window whose frame is `frameSize` goes beside another window's frame
// `beside`: to its right, tops aligned, moved left or down as needed to lie
// within `available` (the screen less its panels), so its title bar is always
// on screen; when it is wider or taller than `available`, its top-left corner.
QPoint placeBeside(const QRect& beside, const QSize& frameSize, const QRect& available);

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

    // Moves this window beside `form` (see placeBeside) once the window
    // manager has placed and framed the form (its first exposure), so the
    // frames are known and no title bar ends above the screen.
    void placeBesideWhenShown(QWindow& form);

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
