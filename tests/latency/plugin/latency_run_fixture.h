#pragma once
// Drives the built LatmapPlugin through the stand-in host in-process: a
// temporary study folder, a job with scripted answers, and access to the log,
// the prompts, the maps and the files the run wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/documents/doc_store.h"
#include "host/session/host_state.h"
#include "host/session/job.h"
#include "tools/support/latency_study.h"

namespace latency_test {

// The standard study: a 4 x 4 x 2 VTC with two responding regions.
// "Left" (cells (0,0,0) and (1,0,0)): delay 2 s, amplitude 2 %.
// "Right" (cell (2,1,1)): delay 4 s, amplitude 3 %. Rise 2 s, plateau 4 s,
// fall 2 s; TR 1 s, 84 volumes, "Task" onsets 4, 24, 44, 64 s.
Response leftResponse();
Response rightResponse();
bool inLeft(const Grid& grid, int voxel);
bool inRight(const Grid& grid, int voxel);
VtcSpec standardVtc();

// The regions' mean signal change as the plot files write it, one value per
// second of the trial. Left: 2 s flat, rise to 2 % at 4 s, plateau to 8 s,
// back to 0 at 10 s. Right: the same shape 2 s later, at 3 %.
inline const std::vector<std::string> kLeftPercent = {"0", "0", "0", "1", "2", "2", "2", "2", "2",
                                                      "1", "0", "0", "0", "0", "0", "0", "0"};
inline const std::vector<std::string> kRightPercent = {"0", "0", "0",   "0", "0", "1.5", "3", "3", "3",
                                                       "3", "3", "1.5", "0", "0", "0",   "0", "0"};

class LatencyRunTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path outDir() const { return dir_ / "out"; }

    // Writes anat.vmr, run1.vtc (+ run1.prt), regions.voi and mask.msk of
    // the standard study; `spec` replaces the VTC.
    void writeStandardStudy(const VtcSpec& spec = standardVtc());
    // Another VTC beside the first (with its own protocol file).
    void writeVtcWithProtocol(const std::string& stem, VtcSpec spec,
                              const std::vector<Condition>& conditions);

    // Runs the plug-in once with these answers; documents default to the
    // VMR and the VOIs; `extra` adds job keys (a host version, say).
    talvora::RunResult run(const nlohmann::json& answers, const nlohmann::json& documents = nullptr,
                           const nlohmann::json& extra = nlohmann::json::object());
    // True when the plug-in logged exactly this line.
    bool logged(const std::string& line) const;

    const std::vector<std::string>& logLines() const;
    const std::vector<talvora::DialogEvent>& events() const;
    // The lines the plug-in logged (its own prefix or summary lines), without
    // the host's lines.
    std::vector<std::string> pluginLog() const;
    std::string output(const std::string& name) const;
    bool outputExists(const std::string& name) const;
    std::vector<std::string> outputFiles() const;
    talvora::MapSet* maps() const;

private:
    std::filesystem::path dir_;
};

// Standard answers of a VOI-based run (one VTC, condition 1, factor 1,
// window 16000, no single-trial, return to baseline, save "maps.blm").
nlohmann::json standardAnswers(int accessMode = 1);

}  // namespace latency_test
