// The computation of a run in the host: opens the VTC files of the run,
// hands readers over them to the core's computation, and turns its results
// into the host's map set, the map file and the log file of each VOI.
#include "granger/core/run_computation.h"
#include "granger/io/vtc_file_reader.h"
#include "granger/plugin/gcm_output.h"
#include "granger/plugin/host_calls.h"
#include "granger/plugin/run_description.h"

#include <map>
#include <memory>

namespace granger::plugin {

namespace {

using VtcFiles = std::map<std::string, std::unique_ptr<io::VtcFileReader>>;

core::Outcome openFile(const std::string& path, const std::string& condition, VtcFiles& files) {
    if (files.count(path)) return core::Outcome::done();
    std::unique_ptr<io::VtcFileReader> reader;
    if (core::Outcome r = io::openVtcFile(path, condition, reader); !r.ok()) return r;
    files.emplace(path, std::move(reader));
    return core::Outcome::done();
}

// The host's side of the computation: progress lines, the map set, the files.
class HostRunSink : public core::RunSink {
public:
    explicit HostRunSink(const RunDescription& run) : run_(run) {}
    void progress(const std::string& line) override { logRaw(line); }
    core::Outcome beginVoi(const core::ReferenceVoi&) override { return createMapSet(run_); }
    core::Outcome conditionResults(std::size_t condition, const core::ReferenceVoi& voi,
                                   const core::ResultVolumes& results) override {
        return storeConditionMaps(run_, condition, voi.name, results);
    }
    core::Outcome endVoi(const core::ReferenceVoi& voi, const std::string& logText) override {
        return writeVoiOutput(outputBase(run_, voi.name), logText);
    }

private:
    const RunDescription& run_;
};

core::Outcome computeAll(const RunDescription& run) {
    VtcFiles files;
    for (const core::Condition& c : run.conditions)
        for (const core::VtcEntry& e : c.entries) {
            if (auto r = openFile(e.sourcePath, c.name, files); !r.ok()) return r;
            if (auto r = openFile(e.targetPath, c.name, files); !r.ok()) return r;
        }
    core::VtcReaders readers;
    for (auto& [path, reader] : files) readers[path] = reader.get();
    HostRunSink sink(run);
    return core::computeRun({run.settings, run.geometry, run.vois, run.conditions}, readers, sink);
}

}  // namespace

core::Outcome computeGcm(const RunDescription& run) {
    const core::Outcome outcome = computeAll(run);
    deleteMaps();
    return outcome;
}

}  // namespace granger::plugin
