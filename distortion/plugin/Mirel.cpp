#include "distortion/plugin/Mirel.h"

#include "distortion/plugin/host_log.h"
#include "distortion/plugin/mirel_commands.h"
#include "frame/host_table_mirel.h"
#include "frame/version_gate.h"

#include <exception>
#include <string>

using tl::g_mirelHost;

namespace distortion::plugin {

Mirel::~Mirel() = default;

bool Mirel::initPlugin() {
    if (!tl::bindMirelHostTable()) return false;
    log_ = std::make_unique<TLHXLog>(g_mirelHost.hxLogText);
    if (!tl::hostVersionAccepted(g_mirelHost.tlGetVersionOfTalvora, g_mirelHost.hxMessageBox, {23, 0, 0},
                                 "Can not execute this plugin - Talvora version 23.0 or higher required."))
        return false;
    if (g_mirelHost.hxShowLogTab) g_mirelHost.hxShowLogTab();
    if (g_mirelHost.hxLogText) {
        g_mirelHost.hxLogText(" ");
        g_mirelHost.hxLogText("Plugin> Running Mirel...");
        g_mirelHost.hxLogText("Plugin>");
    }
    switch (tl::bindMirelNumerics()) {
        case tl::NumericsBinding::MissingMatrixFunctions:
            if (g_mirelHost.hxMessageBox)
                g_mirelHost.hxMessageBox("Did not get access to MKL BLAS access functions!");
            return false;
        case tl::NumericsBinding::MissingFourierFunctions:
            if (g_mirelHost.hxMessageBox)
                g_mirelHost.hxMessageBox("Did not get access to MKL FFTW access functions!");
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
        const std::string task = stringParameter("task");
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
        if (g_mirelHost.hxMessageBox) g_mirelHost.hxMessageBox((std::string("Error: ") + e.what()).c_str());
    }
    return true;
}

}  // namespace distortion::plugin
