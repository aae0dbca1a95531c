// GUI mode's document panel: opens the documents a plug-in works on (VMR,
// VTC, FMR, DMR, VOIs, protocol, mask, GLM), links a VTC to the current VMR
// and a protocol to the current VTC, closes them, and shows what is current.
#pragma once

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>

class QLabel;

namespace talvora::app {

enum class DocumentKind { Vmr, Vtc, Protocol, Fmr, Dmr, Vois, Mask, Glm };

class DocumentPanel : public QWidget {
    Q_OBJECT

public:
    explicit DocumentPanel(QWidget* parent = nullptr);

    // Opens (or links) one document in the host session; "" when it opened,
    // else the problem, which the panel also reports.
    QString open(DocumentKind kind, const std::filesystem::path& path);
    // Closes every document, the functional project too.
    void closeAll();
    // What is current, one "Kind: file" line each ("(none)" when nothing is).
    QString summary() const;
    // Notes documents opened outside the panel (a job's), so the panel shows them.
    void noteOpened(DocumentKind kind, const std::filesystem::path& path);

    // How the panel asks for a file; a Qt file dialog unless replaced (tests).
    std::function<QString(const QString& title, const QString& filter)> chooseFile;
    // Told of every problem (the log pane); a message box is shown as well.
    std::function<void(const QString&)> onProblem;

public slots:
    void refresh();

signals:
    void documentsChanged();

private:
    void openChosen(DocumentKind kind);
    QLabel* current_ = nullptr;
    std::map<DocumentKind, std::filesystem::path> opened_;
};

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
