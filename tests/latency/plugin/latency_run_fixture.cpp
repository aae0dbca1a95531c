#include "latency_run_fixture.h"

#include <algorithm>
#include <atomic>
#include <unistd.h>

#include "host/documents/documents.h"
#include "support/test_files.h"

namespace latency_test {
namespace fs = std::filesystem;
using nlohmann::json;

Response leftResponse() {
    return Response{2000, 2000, 4000, 2000, 0.02f};
}
Response rightResponse() {
    return Response{4000, 2000, 4000, 2000, 0.03f};
}

bool inLeft(const Grid& grid, int voxel) {
    return voxel == grid.index(0, 0, 0) || voxel == grid.index(1, 0, 0);
}
bool inRight(const Grid& grid, int voxel) {
    return voxel == grid.index(2, 1, 1);
}

VtcSpec standardVtc() {
    VtcSpec spec;
    const Grid grid = spec.grid;
    spec.responseOf = [grid](int voxel) -> std::optional<Response> {
        if (inLeft(grid, voxel)) return leftResponse();
        if (inRight(grid, voxel)) return rightResponse();
        return std::nullopt;
    };
    spec.protocolName = "run1.prt";
    return spec;
}

void LatencyRunTest::SetUp() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("latency_run_" + std::to_string(::getpid()) + "_" +
                                        std::to_string(counter++) + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    talvora::HostState::instance().reset();
    talvora::HostState::instance().echo = false;
}

void LatencyRunTest::TearDown() {
    talvora::closeDocuments();
    talvora::HostState::instance().reset();
    if (!HasFailure()) fs::remove_all(dir_);
}

void LatencyRunTest::writeStandardStudy(const VtcSpec& spec) {
    writeVmr(dir_ / "anat.vmr");
    VtcSpec vtc = spec;
    vtc.protocolName = "run1.prt";
    writeVtc(dir_ / "run1.vtc", vtc);
    writeProtocol(dir_ / "run1.prt", {{"Task", vtc.onsets}, {"Rest", {14000, 34000}}});
    const Grid& g = vtc.grid;
    std::vector<std::int32_t> left = cellVoxels(g, 0, 0, 0);
    const std::vector<std::int32_t> left2 = cellVoxels(g, 1, 0, 0);
    left.insert(left.end(), left2.begin(), left2.end());
    writeVois(dir_ / "regions.voi", {{"Left", left}, {"Right", cellVoxels(g, 2, 1, 1)}});
    writeMask(dir_ / "mask.msk", g, [g](int v) { return inLeft(g, v) || inRight(g, v); });
}

void LatencyRunTest::writeVtcWithProtocol(const std::string& stem, VtcSpec spec,
                                          const std::vector<Condition>& conditions) {
    spec.protocolName = stem + ".prt";
    writeVtc(dir_ / (stem + ".vtc"), spec);
    writeProtocol(dir_ / (stem + ".prt"), conditions);
}

talvora::RunResult LatencyRunTest::run(const json& answers, const json& documents, const json& extra) {
    json job = {{"plugin", LATMAP_PLUGIN_PATH}, {"work_dir", "out"}, {"answers", answers}};
    for (auto it = extra.begin(); it != extra.end(); ++it) job[it.key()] = it.value();
    job["documents"] = documents.is_null() ? json{{"vmr", "anat.vmr"}, {"vois", "regions.voi"}} : documents;
    const talvora::Job parsed = talvora::parseJob(job, dir_ / "job.json");
    talvora::RunResult result = talvora::runJob(parsed, fs::path(LATMAP_PLUGIN_PATH).parent_path());
    return result;
}

const std::vector<std::string>& LatencyRunTest::logLines() const {
    return talvora::HostState::instance().logLines;
}

const std::vector<talvora::DialogEvent>& LatencyRunTest::events() const {
    return talvora::HostState::instance().events;
}

std::vector<std::string> LatencyRunTest::pluginLog() const {
    std::vector<std::string> lines;
    for (const std::string& line : logLines())
        if (line.rfind("Talvora>", 0) != 0) lines.push_back(line);
    return lines;
}

bool LatencyRunTest::logged(const std::string& line) const {
    const auto& lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string LatencyRunTest::output(const std::string& name) const {
    return test_support::readBytes(outDir() / name);
}

bool LatencyRunTest::outputExists(const std::string& name) const {
    return fs::exists(outDir() / name);
}

std::vector<std::string> LatencyRunTest::outputFiles() const {
    std::vector<std::string> names;
    if (!fs::exists(outDir())) return names;
    for (const auto& entry : fs::directory_iterator(outDir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

talvora::MapSet* LatencyRunTest::maps() const {
    return talvora::DocumentStore::instance().maps();
}

json standardAnswers(int accessMode) {
    json answers = json::array({accessMode, "run1.vtc", nullptr});
    if (accessMode == 3) answers.push_back("mask.msk");
    for (const json& a : json::array({1, 1, 16000, false, true, "maps.blm"})) answers.push_back(a);
    return answers;
}

}  // namespace latency_test
