#pragma once
// What every participant-level analysis does with its results: names built
// from the runs, the plug-in's own sidecars read back, and the job file, the
// host's transcript and output kept beside the derivatives.

#include <filesystem>
#include <string>

#include "bids/app/runner.h"

namespace bids::analyses {

// The whole file as text (empty when it cannot be read).
std::string readText(const std::filesystem::path& path);

// The source name of derivatives of all runs together: the first run's
// entities without "run".
layout::FileName allRunsName(const app::Run& first);

// Copies WORK/job.json, WORK/transcript.json and WORK/host_output.txt to
// OUTPUT/sub-XX/log/<name>_desc-<desc>_{job,transcript}.json and _hostlog.txt.
void keepHostLogs(const app::ParticipantJob& job, const layout::FileName& name, const std::string& desc,
                  const std::filesystem::path& work);

}  // namespace bids::analyses
