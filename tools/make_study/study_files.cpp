#include "tools/make_study/study_files.h"

#include "frame/voi_convention.h"
#include "frame/atomic_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "tools/make_study/deconvolution_glm.h"
#include "tools/make_study/job_files.h"
#include "tools/make_study/signal_model.h"

#include <stdexcept>

namespace study {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;
using nlohmann::json;

namespace {

void writeJson(const fs::path& path, const json& document) {
    const std::string text = document.dump(2) + "\n";
    tl::writeFileAtomically(path, [&](std::ostream& out) { out << text; });
}

// "Event" holds the stimuli; "Rest" the time between them.
fmt::ProtocolFile protocolOf(const StudyDesign& d, bool inVolumes) {
    const int tr = d.options.trMs;
    const int runMs = d.nrOfVolumes * tr;
    fmt::ProtocolFile prt;
    prt.timeUnit =
        inVolumes ? fmt::ProtocolFile::TimeUnit::Volumes : fmt::ProtocolFile::TimeUnit::Milliseconds;
    fmt::ProtocolCondition event{"Event", {}, {}}, rest{"Rest", {}, {}};
    int restStart = 0;
    for (int onset : d.onsetsMs) {
        const int end = onset + d.stimulusMs;
        if (inVolumes) {
            // Volumes count from 1: the volume acquired at time t is t / TR + 1.
            event.starts.push_back(onset / tr + 1);
            event.ends.push_back(std::max(onset / tr + 1, end / tr));
            if (onset / tr > restStart / tr) {
                rest.starts.push_back(restStart / tr + 1);
                rest.ends.push_back(onset / tr);
            }
        } else {
            event.starts.push_back(onset);
            event.ends.push_back(end);
            if (onset > restStart) {
                rest.starts.push_back(restStart);
                rest.ends.push_back(onset - 1);
            }
        }
        restStart = end + (inVolumes ? 0 : 1);
    }
    if (inVolumes) {
        if (restStart / tr + 1 <= d.nrOfVolumes) {
            rest.starts.push_back(restStart / tr + 1);
            rest.ends.push_back(d.nrOfVolumes);
        }
    } else if (restStart < runMs) {
        rest.starts.push_back(restStart);
        rest.ends.push_back(runMs - 1);
    }
    prt.conditions = {event, rest};
    return prt;
}

fmt::VoiFile voisOf(const StudyDesign& d) {
    fmt::VoiFile file;
    file.convention =
        d.options.referenceVoiCoords ? fmt::VoiFile::kReferenceConvention : fmt::VoiFile::kVolumeConvention;
    for (const Region& region : d.regions) {
        fmt::VoiDefinition voi;
        voi.name = region.name;
        for (int z = region.box.z0; z < region.box.z1; ++z)
            for (int y = region.box.y0; y < region.box.y1; ++y)
                for (int x = region.box.x0; x < region.box.x1; ++x)
                    for (const auto& c : anatomicalVoxelsOf(d.grid, x, y, z)) {
                        if (d.options.referenceVoiCoords) {
                            const auto stored = tl::volumeToReferenceVoiVoxel(c[0], c[1], c[2]);
                            voi.coords.insert(voi.coords.end(), stored.begin(), stored.end());
                        } else {
                            voi.coords.insert(voi.coords.end(), {c[0], c[1], c[2]});
                        }
                    }
        file.vois.push_back(std::move(voi));
    }
    return file;
}

fmt::VtcHeader vtcHeaderOf(const StudyDesign& d, int run) {
    fmt::VtcHeader h;
    h.version = 3;
    h.sourceFMR = "run" + std::to_string(run + 1) + ".fmr";
    h.hasProtocol = true;
    h.protocolName = StudyFiles::kProtocol;
    h.dataType = 2;
    h.nrOfVolumes = d.nrOfVolumes;
    h.grid = d.grid;
    h.lrConvention = 1;
    h.referenceSpace = 1;
    h.tr = static_cast<float>(d.options.trMs);
    return h;
}

json measuresJson(const ExpectedMeasures& m) {
    return json{{"onset_s", m.onsetS},
                {"width_s", m.widthS},
                {"time_to_peak_s", m.timeToPeakS},
                {"time_to_peak_range_s", {m.timeToPeakS, m.timeToPeakLatestS}},
                {"amplitude_psc", m.amplitudePsc}};
}

}  // namespace

json truthJson(const StudyDesign& d) {
    const StudyOptions& o = d.options;
    json vtcs = json::array();
    for (int run = 0; run < o.vtcs; ++run) vtcs.push_back(StudyFiles::vtc(run));
    json jobs = json::object();
    for (const LatencyJob& job : latencyJobs(d)) jobs[job.name] = job.fileName();
    const auto& g = d.grid;
    std::size_t maskVoxels = 0;
    for (auto m : d.mask) maskVoxels += m ? 1 : 0;

    json regions = json::array();
    for (std::size_t r = 0; r < d.regions.size(); ++r) {
        const Region& region = d.regions[r];
        const ResponseShape& s = region.response;
        std::size_t voxels = 0, masked = 0, anatomical = 0;
        for (int z = region.box.z0; z < region.box.z1; ++z)
            for (int y = region.box.y0; y < region.box.y1; ++y)
                for (int x = region.box.x0; x < region.box.x1; ++x) {
                    ++voxels;
                    masked += d.mask[d.voxelIndex(x, y, z)] ? 1 : 0;
                    anatomical += anatomicalVoxelsOf(g, x, y, z).size();
                }
        json byFactor = json::object();
        for (int f = 1; f <= 4; ++f)
            byFactor[std::to_string(f)] = measuresJson(expectedMeasures(s, static_cast<double>(o.trMs) / f));
        regions.push_back(
            json{{"name", region.name},
                 {"voi_number", r + 1},
                 {"vtc_voxel_box",
                  {{"x", {region.box.x0, region.box.x1}},
                   {"y", {region.box.y0, region.box.y1}},
                   {"z", {region.box.z0, region.box.z1}}}},
                 {"nr_of_vtc_voxels", voxels},
                 {"nr_of_masked_voxels", masked},
                 {"nr_of_voi_voxels", anatomical},
                 {"response",
                  {{"shape", "trapezoid"},
                   {"onset_ms", s.onsetMs},
                   {"rise_ms", s.riseMs},
                   {"plateau_ms", s.plateauMs},
                   {"fall_ms", s.fallMs},
                   {"amplitude_psc", s.amplitudePsc}}},
                 {"expected", measuresJson(expectedMeasures(s, static_cast<double>(o.trMs) / o.factor))},
                 {"expected_glm", measuresJson(expectedMeasures(s, o.trMs))},
                 {"expected_by_factor", byFactor}});
    }
    return json{
        {"generator", "talvora-make-study"},
        {"format_version", 1},
        {"options",
         {{"vtcs", o.vtcs},
          {"snr", o.snr},
          {"seed", o.seed},
          {"dims", {d.dimX(), d.dimY(), d.dimZ()}},
          {"tr_ms", o.trMs},
          {"trials", o.trials},
          {"regions", o.regions},
          {"voxelwise_mask_size", o.maskSize},
          {"factor", o.factor},
          {"window_ms", d.jobWindowMs()},
          {"glm", o.glm ? (o.glmSeparatePredictors ? "separate" : "shared") : "none"},
          {"voi_coords", o.referenceVoiCoords ? "reference" : "volume"}}},
        {"files",
         {{"vmr", StudyFiles::kVmr},
          {"vtcs", vtcs},
          {"protocol", StudyFiles::kProtocol},
          {"protocol_volumes", StudyFiles::kProtocolVolumes},
          {"vois", StudyFiles::kVois},
          {"mask", StudyFiles::kMask},
          {"glm", o.glm ? json(StudyFiles::kGlm) : json(nullptr)}}},
        {"jobs", jobs},
        {"vmr_dims", d.vmrDims},
        {"grid",
         {{"resolution", g.resolution},
          {"bounding_box", {g.xStart, g.xEnd, g.yStart, g.yEnd, g.zStart, g.zEnd}},
          {"dims", {d.dimX(), d.dimY(), d.dimZ()}}}},
        {"timing",
         {{"tr_ms", o.trMs},
          {"nr_of_volumes", d.nrOfVolumes},
          {"iti_ms", d.itiMs},
          {"stimulus_ms", d.stimulusMs},
          {"onsets_ms", d.onsetsMs},
          {"reference_condition", "Event"}}},
        {"mask_voxels", maskVoxels},
        {"glm", {{"deconvolution_points", d.deconvolutionPoints}}},
        {"noise",
         "Gaussian; SD per voxel = baseline x region amplitude / SNR (mean region amplitude outside regions); "
         "snr 0 means no noise"},
        {"measures",
         "Measures as the latency fit defines them, with return-to-baseline on, for a noise-free response sampled "
         "at dt = TR / factor with sample 0 at the stimulus: onset = (last baseline sample x dt + 100 ms), width = "
         "((last plateau sample - last baseline sample + 1) x dt + 100 ms), time to peak = ((first plateau sample - "
         "last baseline sample + 1) x dt + 100 ms), in seconds; with noise the largest sample of the flat plateau may "
         "be any of its samples, so a measured time to peak lies in time_to_peak_range_s (first to last plateau "
         "sample); amplitude = the trapezoid's height in percent signal "
         "change. 'expected' uses the jobs' interpolation factor, 'expected_glm' the GLM job's (factor 1). With an "
         "interpolation factor above 1 the fit sees a spline through the TR samples, whose overshoot at the plateau's "
         "corners moves the peak into the plateau and raises the amplitude by a few percent; onset and width stay "
         "exact."},
        {"regions", regions}};
}

void writeStudy(const StudyDesign& d, const fs::path& folder, std::ostream& progress) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error(folder.string() + ": cannot create the study folder: " + ec.message());
    auto done = [&](const std::string& name) {
        progress << "wrote " << (folder / name).string() << '\n' << std::flush;
    };

    fmt::VmrFile vmr;
    vmr.dimX = d.vmrDims[0];
    vmr.dimY = d.vmrDims[1];
    vmr.dimZ = d.vmrDims[2];
    fmt::writeVmrFile(folder / StudyFiles::kVmr, vmr);
    done(StudyFiles::kVmr);
    fmt::writeProtocolFile(folder / StudyFiles::kProtocol, protocolOf(d, false));
    done(StudyFiles::kProtocol);
    fmt::writeProtocolFile(folder / StudyFiles::kProtocolVolumes, protocolOf(d, true));
    done(StudyFiles::kProtocolVolumes);
    fmt::writeVoiFile(folder / StudyFiles::kVois, voisOf(d));
    done(StudyFiles::kVois);
    fmt::writeMaskFile(folder / StudyFiles::kMask, fmt::MaskFile{d.grid, d.mask});
    done(StudyFiles::kMask);

    const std::vector<float> baselines = voxelBaselines(d);
    const auto responses = regionResponses(d);
    std::unique_ptr<DeconvolutionGlm> glm;
    if (d.options.glm) glm = std::make_unique<DeconvolutionGlm>(d, d.options.glmSeparatePredictors);
    for (int run = 0; run < d.options.vtcs; ++run) {
        const std::vector<float> data = simulateRun(d, run, baselines, responses);
        fmt::writeVtcFile(folder / StudyFiles::vtc(run), vtcHeaderOf(d, run), data);
        done(StudyFiles::vtc(run));
        if (glm) glm->addRun(run, data);
    }
    if (glm) {
        fmt::writeGlmFile(folder / StudyFiles::kGlm, glm->finish());
        done(StudyFiles::kGlm);
    }
    for (const LatencyJob& job : latencyJobs(d)) {
        writeJson(folder / job.fileName(), latencyJobJson(d, job));
        done(job.fileName());
    }
    writeJson(folder / StudyFiles::kTruth, truthJson(d));
    done(StudyFiles::kTruth);
}

}  // namespace study
