#include "distortion/plugin/Mirel.h"

#include "distortion/plugin/host_log.h"
#include "distortion/plugin/mirel_commands.h"
#include "distortion/plugin/mirel_host.h"
#include "frame/numeric_services.h"
#include "frame/plugin_hosts.h"

#include <exception>
#include <string>

namespace distortion::plugin {
namespace {

void showMessage(const char* text) {
    if (auto box = host.optional<F::hxMessageBox>()) box(text);
}

}  // namespace

Mirel::~Mirel() = default;

bool Mirel::initPlugin() {
    if (!tl::g_mirelAccess.bind()) return false;
    log_ = std::make_unique<TLHXLog>(host.optional<F::hxLogText>());
    if (!host.versionAccepted()) return false;
    if (auto showLogTab = host.optional<F::hxShowLogTab>()) showLogTab();
    if (auto logText = host.optional<F::hxLogText>()) {
        logText(" ");
        logText("Plugin> Running Mirel...");
        logText("Plugin>");
    }
    switch (tl::bindMirelNumerics()) {
        case tl::NumericsBinding::MissingMatrixFunctions:
            showMessage("Did not get access to MKL BLAS access functions!");
            return false;
        case tl::NumericsBinding::MissingFourierFunctions:
            showMessage("Did not get access to MKL FFTW access functions!");
            return false;
        case tl::NumericsBinding::Bound:
            break;
    }
    return true;
}

bool Mirel::execute() {
    if (!log_) return true;
    std::ostream& log = *log_;
    try {
        const std::string task = stringParameter(host.deliverable().form.command);
        if (task == "select_fmr_or_dmr")
            selectFmrOrDmr();
        else if (task == "check")
            checkFiles(log);
        else if (task == "readbatchfile")
            readBatchFile(log);
        else if (task == "estimate")
            estimate(log, hostFft());
        else if (task == "apply")
            apply(log);
    } catch (const std::exception& e) {
        log.flush();
        showMessage((std::string("Error: ") + e.what()).c_str());
    }
    return true;
}

}  // namespace distortion::plugin
