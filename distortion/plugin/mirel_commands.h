// The plug-in's commands; each reads its parameters from the host and
// throws on failure (the caller shows "Error: " and the message).
#pragma once

#include "distortion/core/fft_api.h"

#include <ostream>
#include <string>

namespace distortion::plugin {

std::string stringParameter(const char* name);
int intParameter(const char* name);
bool boolParameter(const char* name);

void selectFmrOrDmr();
void checkFiles(std::ostream& log);
void readBatchFile(std::ostream& log);
void estimate(std::ostream& log, const core::FftApi& fft);
void apply(std::ostream& log);

// The host's Fourier-transform services as bound at start.
core::FftApi hostFft();

}  // namespace distortion::plugin
