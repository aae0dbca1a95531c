// The computation of a run in the host: opens the VTC files of the run,
// hands readers over them to the core's computation, and turns its results
// into the host's map set, the map file and the log file of each VOI.
#include "granger/core/run_computation.h"
#include "granger/io/vtc_stream.h"
#include "granger/plugin/gcm_output.h"
#include "granger/plugin/host_calls.h"
#include "granger/plugin/run_description.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace gcm {

namespace {

// A VTC file opened for the run, read one slice or one voxel at a time.
class VtcFileReader : public granger::SliceReader {
public:
    VtcFileReader(std::unique_ptr<std::ifstream> stream, const granger::VtcInfo& info)
        : stream_(std::move(stream)), info_(info) {}
    int volumes() const override { return info_.nrOfVolumes; }
    bool readSlice(int z, std::vector<float>& values) override {
        return granger::readSlice(*stream_, info_, z, raw_, values);
    }
    bool readTimeCourse(std::size_t voxel, float* values) override {
        return granger::readVoxelTimeCourse(*stream_, info_, voxel, values);
    }

private:
    std::unique_ptr<std::ifstream> stream_;
    granger::VtcInfo info_;
    std::vector<char> raw_;  // kept between slices
};

using VtcFiles = std::map<std::string, std::unique_ptr<VtcFileReader>>;

granger::Outcome openFile(const std::string& path, const std::string& condition, VtcFiles& files) {
    if (files.count(path)) return granger::Outcome::done();
    auto stream = std::make_unique<std::ifstream>(path, std::ios::binary);
    std::ostringstream errors;
    if (!*stream) {
        errors << "Could not open file: " << path << "\nfor condition '" << condition << "'";
        return granger::Outcome::terminal(errors.str());
    }
    const auto info = granger::readVtcInfo(*stream);
    if (!info) {
        errors << "Could not correctly read vtc-header file: " << path << "\nfor condition '" << condition
               << "'\nN.B.:VTC version 2 required for this version of the VUV_Irurar!";
        return granger::Outcome::terminal(errors.str());
    }
    // A file shorter than its header says is refused before any work is done.
    stream->seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(stream->tellg());
    const std::uint64_t needed = static_cast<std::uint64_t>(info->headerBytes) +
                                 static_cast<std::uint64_t>(info->dimX()) * info->dimY() * info->dimZ() *
                                     static_cast<std::uint64_t>(info->nrOfVolumes) * info->bytesPerValue();
    if (size < needed) {
        errors << "Could not read data from vtc '" << path << "'\n"
               << "The file was corrupted (not of expected size) or made inaccessible";
        return granger::Outcome::terminal(errors.str());
    }
    // More data than the header announces would be read with the wrong
    // stride: every voxel's time course would start in the wrong place.
    if (size > needed) {
        errors << "The vtc '" << path << "' holds " << size << " bytes, but its header announces " << needed
               << " bytes (" << info->nrOfVolumes << " volumes of " << info->dimX() << " x " << info->dimY()
               << " x " << info->dimZ() << " voxels)";
        return granger::Outcome::terminal(errors.str());
    }
    files.emplace(path, std::make_unique<VtcFileReader>(std::move(stream), *info));
    return granger::Outcome::done();
}

// The host's side of the computation: progress lines, the map set, the files.
class HostRunSink : public granger::RunSink {
public:
    explicit HostRunSink(const RunDescription& run) : run_(run) {}
    void progress(const std::string& line) override { logRaw(line); }
    granger::Outcome beginVoi(const granger::ReferenceVoi&) override { return createMapSet(run_); }
    granger::Outcome conditionResults(std::size_t condition, const granger::ReferenceVoi& voi,
                                      const granger::ResultVolumes& results) override {
        return storeConditionMaps(run_, condition, voi.name, results);
    }
    granger::Outcome endVoi(const granger::ReferenceVoi& voi, const std::string& logText) override {
        return writeVoiOutput(outputBase(run_, voi.name), logText);
    }

private:
    const RunDescription& run_;
};

granger::Outcome computeAll(const RunDescription& run) {
    VtcFiles files;
    for (const granger::Condition& c : run.conditions)
        for (const granger::VtcEntry& e : c.entries) {
            if (auto r = openFile(e.sourcePath, c.name, files); !r.ok()) return r;
            if (auto r = openFile(e.targetPath, c.name, files); !r.ok()) return r;
        }
    granger::VtcReaders readers;
    for (auto& [path, reader] : files) readers[path] = reader.get();
    HostRunSink sink(run);
    return granger::computeRun({run.settings, run.geometry, run.vois, run.conditions}, readers, sink);
}

}  // namespace

granger::Outcome computeGcm(const RunDescription& run) {
    const granger::Outcome outcome = computeAll(run);
    deleteMaps();
    return outcome;
}

}  // namespace gcm
