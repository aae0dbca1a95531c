#include "distortion/Mirel.h"

#include "distortion/host_log.h"
#include "frame/host_table_mirel.h"
#include "frame/version_gate.h"

using tl::g_mirelHost;

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
    if (g_mirelHost.hxMessageBox) g_mirelHost.hxMessageBox("Did not get access to MKL BLAS access functions!");
    return false;
  case tl::NumericsBinding::MissingFourierFunctions:
    if (g_mirelHost.hxMessageBox) g_mirelHost.hxMessageBox("Did not get access to MKL FFTW access functions!");
    return false;
  case tl::NumericsBinding::Bound:
    break;
  }
  return true;
}

bool Mirel::execute() {
  if (log_) *log_ << "Plugin> distortion correction is not available in this build." << std::endl;
  return true;
}
