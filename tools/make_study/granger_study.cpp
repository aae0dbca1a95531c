#include "tools/make_study/granger_study.h"

#include "frame/voi_convention.h"
#include "frame/atomic_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <random>

namespace study {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kResolution = 3;
// The box starts at 100 in each axis unless the grid needs more of the 256 voxel volume.
int boxStart(int dim) {
    return std::min(100, 256 - kResolution * dim);
}
constexpr float kBaseline = 1000.0f;
constexpr float kSignalScale = 10.0f;
constexpr int kLeadIn = 50;

bool isReference(int x, int y, int z) {
    return x < 2 && y < 2 && z == 0;
}

}  // namespace

const char* kindName(VoxelKind kind) {
    switch (kind) {
        case VoxelKind::Reference:
            return "reference";
        case VoxelKind::DrivenLag1:
            return "driven (lag 1)";
        case VoxelKind::DrivenLag2:
            return "driven (lag 2)";
        case VoxelKind::Driving:
            return "driving";
        case VoxelKind::Instantaneous:
            return "instantaneous";
        case VoxelKind::Independent:
            return "independent";
    }
    return "";
}

std::vector<VoxelKind> grangerVoxelKinds(const GrangerStudyOptions& o) {
    std::vector<VoxelKind> kinds;
    int next = 0;
    const VoxelKind cycle[] = {VoxelKind::DrivenLag1,  VoxelKind::Driving,    VoxelKind::Instantaneous,
                               VoxelKind::Independent, VoxelKind::DrivenLag2, VoxelKind::Independent};
    for (int z = 0; z < o.dimZ; ++z)
        for (int y = 0; y < o.dimY; ++y)
            for (int x = 0; x < o.dimX; ++x)
                kinds.push_back(isReference(x, y, z) ? VoxelKind::Reference : cycle[next++ % 6]);
    return kinds;
}

std::string subjectId(int subject) {
    char id[16];
    std::snprintf(id, sizeof id, "S%02d", subject);
    return id;
}

std::vector<std::pair<int, int>> taskIntervals(int volumes) {
    const int half = (volumes - 20) / 2;
    return {{11, 10 + half}, {21 + half, volumes}};
}

std::vector<float> simulateGrangerSubject(const GrangerStudyOptions& o, int subject) {
    const std::vector<VoxelKind> kinds = grangerVoxelKinds(o);
    const int v = o.volumes;
    const int total = v + kLeadIn;
    std::mt19937 rng(o.seed * 7919u + static_cast<std::uint32_t>(subject));
    std::normal_distribution<double> normal;
    // Hidden driver d, reference r = 0.4 r(t-1) + 0.6 d(t-1) + e_r.
    std::vector<double> d(static_cast<std::size_t>(total)), r(d.size()), er(d.size());
    for (int t = 0; t < total; ++t) {
        const std::size_t i = static_cast<std::size_t>(t);
        er[i] = normal(rng);
        d[i] = (t ? 0.5 * d[i - 1] : 0.0) + normal(rng);
        r[i] = (t ? 0.4 * r[i - 1] + 0.6 * d[i - 1] : 0.0) + er[i];
    }
    std::vector<float> out(kinds.size() * static_cast<std::size_t>(v));
    std::vector<double> x(static_cast<std::size_t>(total));
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        for (int t = 0; t < total; ++t) {
            const std::size_t i = static_cast<std::size_t>(t);
            const double prev = t ? x[i - 1] : 0.0;
            const double e = normal(rng);
            switch (kinds[k]) {
                case VoxelKind::Reference:
                    x[i] = r[i] + 0.1 * e;
                    break;
                case VoxelKind::DrivenLag1:
                    x[i] = 0.3 * prev + (t >= 1 ? 0.8 * r[i - 1] : 0.0) + e;
                    break;
                case VoxelKind::DrivenLag2:
                    x[i] = 0.3 * prev + (t >= 2 ? 0.8 * r[i - 2] : 0.0) + e;
                    break;
                case VoxelKind::Driving:
                    x[i] = d[i] + 0.3 * e;
                    break;
                case VoxelKind::Instantaneous:
                    x[i] = 0.3 * prev + 0.9 * er[i] + 0.6 * e;
                    break;
                case VoxelKind::Independent:
                    x[i] = 0.4 * prev + e;
                    break;
            }
        }
        const float base = kBaseline + 20.0f * static_cast<float>(k % 7);
        for (int t = 0; t < v; ++t) {
            float value = base + kSignalScale * static_cast<float>(x[static_cast<std::size_t>(t + kLeadIn)]);
            if (o.sixteenBit) value = std::round(value);
            out[k * static_cast<std::size_t>(v) + static_cast<std::size_t>(t)] = value;
        }
    }
    return out;
}

namespace {

void writeProtocols(const GrangerStudyOptions& o, const fs::path& dir) {
    using talvora::formats::ProtocolCondition;
    using talvora::formats::ProtocolFile;
    const auto task = taskIntervals(o.volumes);
    ProtocolCondition taskVolumes{"Task", {}, {}}, restVolumes{"Rest", {}, {}};
    for (const auto& [first, last] : task) {
        taskVolumes.starts.push_back(first);
        taskVolumes.ends.push_back(last);
    }
    restVolumes.starts = {1, task[0].second + 1};
    restVolumes.ends = {task[0].first - 1, task[1].first - 1};
    ProtocolFile volumes;
    volumes.timeUnit = ProtocolFile::TimeUnit::Volumes;
    volumes.conditions = {taskVolumes, restVolumes};
    talvora::formats::writeProtocolFile(dir / "study_volumes.prt", volumes);
    // In milliseconds: volume f starts at (f - 1) TR; the last volume l ends just before l TR.
    ProtocolFile msec;
    msec.timeUnit = ProtocolFile::TimeUnit::Milliseconds;
    for (ProtocolCondition c : {taskVolumes, restVolumes}) {
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            c.starts[i] = (c.starts[i] - 1) * o.trMs;
            c.ends[i] = c.ends[i] * o.trMs - 1;
        }
        msec.conditions.push_back(c);
    }
    talvora::formats::writeProtocolFile(dir / "study.prt", msec);
}

json groupCommand(const GrangerStudyOptions& o, int method) {
    json p = {{"NrOfSubjects", o.subjects}, {"SelectedTimeWindowMethod", method}, {"SubjectSpecificVOIs", 0}};
    for (int s = 1; s <= o.subjects; ++s) {
        p["SubjID-" + std::to_string(s)] = subjectId(s);
        p["SubjDataFolder-" + std::to_string(s)] = subjectId(s) + "/";
    }
    return {{"command", "PrepareForANCOVA"}, {"parameters", p}};
}

}  // namespace

json grangerRunCommand(const std::string& subject, int method) {
    return {{"command", "RunGCM"},
            {"parameters",
             {{"VOIFile", "reference.voi"},
              {"SelectedVOIIndex", 0},
              {"SelectedTimeWindowMethod", method},
              {"SelectedConditionName", "Task"},
              {"SubjectID", subject},
              {"NrOfSubjVTCs", 1},
              {"SubjVTC-1", subject + "/run1.vtc"},
              {"VTCIntervalStart", 11},
              {"VTCIntervalEnd", 0},
              {"VTCProtocolCond", 0}}}};
}

void writeGrangerStudy(const GrangerStudyOptions& o, const fs::path& out, std::ostream& report) {
    fs::create_directories(out);
    const int xStart = boxStart(o.dimX), yStart = boxStart(o.dimY), zStart = boxStart(o.dimZ);
    talvora::formats::VmrFile vmr;
    talvora::formats::writeVmrFile(out / "anatomy.vmr", vmr);

    // The reference VOI: every anatomical voxel that rounds into the region's VTC voxels.
    talvora::formats::VoiFile vois;
    vois.convention = o.referenceVoiCoords ? talvora::formats::VoiFile::kReferenceConvention
                                           : talvora::formats::VoiFile::kVolumeConvention;
    talvora::formats::VoiDefinition reference{"Reference", {}};
    for (int gy = 0; gy < 2; ++gy)
        for (int gx = 0; gx < 2; ++gx)
            for (int dz = -1; dz <= 1; ++dz)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int x = xStart + gx * kResolution + dx, y = yStart + gy * kResolution + dy,
                                  z = zStart + dz;
                        if (o.referenceVoiCoords) {
                            const auto stored = tl::volumeToReferenceVoiVoxel(x, y, z);
                            reference.coords.insert(reference.coords.end(), stored.begin(), stored.end());
                        } else {
                            reference.coords.insert(reference.coords.end(), {x, y, z});
                        }
                    }
    vois.vois.push_back(reference);
    talvora::formats::writeVoiFile(out / "reference.voi", vois);
    tl::writeFileAtomically(out / "VUVIrurar.ini", [&](std::ostream& s) { s << o.settings; });

    talvora::formats::VtcHeader header;
    header.version = 3;
    header.sourceFMR = "run1.fmr";
    header.hasProtocol = true;
    header.protocolName = "study.prt";
    header.dataType = o.sixteenBit ? 1 : 2;
    header.nrOfVolumes = o.volumes;
    header.grid.resolution = kResolution;
    header.grid.xStart = xStart;
    header.grid.xEnd = xStart + kResolution * o.dimX;
    header.grid.yStart = yStart;
    header.grid.yEnd = yStart + kResolution * o.dimY;
    header.grid.zStart = zStart;
    header.grid.zEnd = zStart + kResolution * o.dimZ;
    header.tr = static_cast<float>(o.trMs);
    json commands = json::array();
    commands.push_back({{"command", "StartCheck"},
                        {"parameters", {{"VOIFile", "reference.voi"}}},
                        {"print", {"NrOfVOIsAvailable", "NameOfVOI-1"}}});
    for (int s = 1; s <= o.subjects; ++s) {
        const std::string id = subjectId(s);
        const fs::path dir = out / id;
        fs::create_directories(dir);
        const std::vector<float> values = simulateGrangerSubject(o, s);
        if (o.sixteenBit) {
            std::vector<std::uint16_t> ints(values.begin(), values.end());
            talvora::formats::writeVtcFile(dir / "run1.vtc", header, {}, ints);
        } else {
            talvora::formats::writeVtcFile(dir / "run1.vtc", header, values);
        }
        writeProtocols(o, dir);
        commands.push_back({{"command", "GetCondsOfVTCProtocol"},
                            {"parameters", {{"VTCFile", id + "/run1.vtc"}}},
                            {"print", {"NrOfConditions", "CondName-1"}}});
        commands.push_back(grangerRunCommand(id, 1));
        commands.push_back(grangerRunCommand(id, 2));
    }
    commands.push_back(groupCommand(o, 2));
    commands.push_back(groupCommand(o, 1));
    const json job = {{"plugin", "CausalisPlugin_v27"},
                      {"work_dir", "."},
                      {"log_file", "gcm_run.log"},
                      {"documents", {{"vmr", "anatomy.vmr"}}},
                      {"commands", commands}};
    tl::writeFileAtomically(out / "job_gcm.json", [&](std::ostream& s) { s << job.dump(2) << "\n"; });

    json truth = {{"grid", {o.dimX, o.dimY, o.dimZ}},
                  {"volumes", o.volumes},
                  {"tr_ms", o.trMs},
                  {"subjects", o.subjects},
                  {"task_intervals", taskIntervals(o.volumes)}};
    json kinds = json::array();
    for (VoxelKind k : grangerVoxelKinds(o)) kinds.push_back(kindName(k));
    truth["voxel_kinds"] = kinds;
    truth["model"] = {{"driver", "d(t) = 0.5 d(t-1) + e_d"},
                      {"reference", "r(t) = 0.4 r(t-1) + 0.6 d(t-1) + e_r"},
                      {"driven (lag 1)", "v(t) = 0.3 v(t-1) + 0.8 r(t-1) + e: Ref2Vox > 0, dGCM > 0"},
                      {"driven (lag 2)", "v(t) = 0.3 v(t-1) + 0.8 r(t-2) + e: Ref2Vox > 0, dGCM > 0"},
                      {"driving", "v(t) = d(t) + 0.3 e: Vox2Ref > 0, dGCM < 0"},
                      {"instantaneous", "v(t) = 0.3 v(t-1) + 0.9 e_r(t) + 0.6 e: Inst > 0, dGCM near 0"},
                      {"independent", "v(t) = 0.4 v(t-1) + e: all near 0"}};
    tl::writeFileAtomically(out / "truth.json", [&](std::ostream& s) { s << truth.dump(2) << "\n"; });
    report << "wrote " << (out / "job_gcm.json").string() << " (" << o.subjects << " subjects, " << o.dimX
           << " x " << o.dimY << " x " << o.dimZ << " voxels, " << o.volumes << " volumes"
           << (o.sixteenBit ? ", 16-bit" : "") << ")\n";
}

}  // namespace study
