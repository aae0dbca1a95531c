#include "host/app/document_panel.h"

#include "host/app/qt_dialog_answerer.h"
#include "host/documents/doc_fmr.h"
#include "host/documents/doc_store.h"
#include "host/documents/documents.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace talvora::app {
namespace fs = std::filesystem;

namespace {

struct KindInfo {
    DocumentKind kind;
    const char* button;
    const char* label;
    const char* filter;
};

const KindInfo kKinds[] = {
    {DocumentKind::Vmr, "Open VMR...", "VMR", "Anatomical volumes (*.vmr)"},
    {DocumentKind::Vtc, "Link VTC...", "VTC", "Volume time courses (*.vtc)"},
    {DocumentKind::Protocol, "Link protocol...", "Protocol", "Protocols (*.prt)"},
    {DocumentKind::Fmr, "Open FMR...", "FMR", "Functional projects (*.fmr)"},
    {DocumentKind::Dmr, "Open DMR...", "DMR", "Diffusion projects (*.dmr)"},
    {DocumentKind::Vois, "Open VOIs...", "VOIs", "Volumes of interest (*.voi)"},
    {DocumentKind::Mask, "Open mask...", "Mask", "Masks (*.msk)"},
    {DocumentKind::Glm, "Open GLM...", "GLM", "General linear models (*.glm)"},
};

const KindInfo& infoOf(DocumentKind kind) {
    for (const KindInfo& k : kKinds)
        if (k.kind == kind) return k;
    return kKinds[0];
}

// Opens one document; throws std::runtime_error naming the file and the problem.
void openInStore(DocumentKind kind, const fs::path& path) {
    DocumentStore& store = DocumentStore::instance();
    switch (kind) {
        case DocumentKind::Vmr:
            store.openVmr(path);
            break;
        case DocumentKind::Vtc:
            // A protocol the VTC names that cannot be read leaves the VTC linked.
            if (const std::string problem = store.linkVtc(path, 0); !problem.empty())
                throw std::runtime_error(problem);
            break;
        case DocumentKind::Protocol:
            if (!store.vtc())
                throw std::runtime_error("link a VTC first: a protocol belongs to the current VTC");
            store.linkProtocol(path);
            break;
        case DocumentKind::Fmr:
        case DocumentKind::Dmr:
            FmrDocuments::instance().open(path);
            break;
        case DocumentKind::Vois:
            store.loadVois(path);
            break;
        case DocumentKind::Mask:
            store.loadMask(path);
            break;
        case DocumentKind::Glm:
            store.loadGlm(path);
            break;
    }
}

}  // namespace

DocumentPanel::DocumentPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("documentPanel");
    chooseFile = [this](const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(this, title, QString(), filter);
    };
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QGridLayout();
    int i = 0;
    for (const KindInfo& k : kKinds) {
        auto* button = new QPushButton(k.button, this);
        const DocumentKind kind = k.kind;
        connect(button, &QPushButton::clicked, this, [this, kind] { openChosen(kind); });
        buttons->addWidget(button, i / 2, i % 2);
        ++i;
    }
    auto* close = new QPushButton("Close all", this);
    close->setObjectName("closeDocumentsButton");
    connect(close, &QPushButton::clicked, this, &DocumentPanel::closeAll);
    buttons->addWidget(close, i / 2, i % 2);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel("<b>Current documents</b>", this));
    current_ = new QLabel(this);
    current_->setObjectName("currentDocuments");
    current_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    current_->setWordWrap(true);
    layout->addWidget(current_);
    layout->addStretch(1);
    refresh();
}

void DocumentPanel::openChosen(DocumentKind kind) {
    const KindInfo& k = infoOf(kind);
    const QString path = chooseFile(QString("Open ") + k.label, k.filter);
    if (path.isEmpty()) return;  // cancelled
    open(kind, fs::u8path(path.toStdString()));
}

QString DocumentPanel::open(DocumentKind kind, const fs::path& path) {
    try {
        openInStore(kind, path);
    } catch (const std::exception& e) {
        const QString problem = QString::fromStdString(e.what());
        if (onProblem) onProblem(problem);
        auto* box =
            new QMessageBox(QMessageBox::Warning, "Talvora", messageHtml(e.what()), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
        refresh();
        return problem;
    }
    noteOpened(kind, fs::absolute(path));
    return {};
}

void DocumentPanel::noteOpened(DocumentKind kind, const fs::path& path) {
    // A new volume closes what belonged to the old one.
    if (kind == DocumentKind::Vmr) opened_.clear();
    if (kind == DocumentKind::Fmr) opened_.erase(DocumentKind::Dmr);
    if (kind == DocumentKind::Dmr) opened_.erase(DocumentKind::Fmr);
    opened_[kind] = path;
    refresh();
}

void DocumentPanel::closeAll() {
    closeDocuments();
    opened_.clear();
    refresh();
}

QString DocumentPanel::summary() const {
    DocumentStore& store = DocumentStore::instance();
    QStringList lines;
    const auto line = [&](const char* label, const fs::path& path) {
        lines << QString("%1: %2").arg(label, QString::fromStdString(path.u8string()));
    };
    const auto remembered = [&](DocumentKind kind) {
        const auto it = opened_.find(kind);
        return it == opened_.end() ? fs::path("(open)") : it->second;
    };
    if (store.vmr()) line("VMR", store.vmr()->path);
    if (store.vtc()) line("VTC", fs::absolute(store.vtc()->source->path()));
    if (store.protocol()) line("Protocol", fs::absolute(store.protocol()->path));
    if (const FmrDocument* fmr = FmrDocuments::instance().current()) {
        const bool dmr = fmr->path.extension() == ".dmr" || fmr->path.extension() == ".DMR";
        line(dmr ? "DMR" : "FMR", fs::absolute(fmr->path));
    }
    if (store.vois())
        line("VOIs", remembered(DocumentKind::Vois).u8string() + " (" +
                         std::to_string(store.vois()->vois.size()) + " VOIs)");
    if (store.mask()) line("Mask", remembered(DocumentKind::Mask));
    if (store.glm()) line("GLM", remembered(DocumentKind::Glm));
    if (lines.isEmpty()) return "(none)";
    return lines.join('\n');
}

void DocumentPanel::refresh() {
    current_->setText(summary().toHtmlEscaped().replace('\n', "<br>"));
    emit documentsChanged();
}

}  // namespace talvora::app
