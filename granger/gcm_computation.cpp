// The computation of a run: reference time courses, surrogates, the voxel
// loop over the target VTCs one slice at a time, maps and output per VOI.
#include "granger/core/gcm_random.h"
#include "granger/core/surrogates.h"
#include "granger/core/voxel_engine.h"
#include "granger/gcm_output.h"
#include "granger/host_calls.h"
#include "granger/run_description.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace gcm {

namespace {

struct OpenVtc {
    std::unique_ptr<std::ifstream> stream;
    granger::VtcInfo info;
};

using VtcFiles = std::map<std::string, OpenVtc>;

int openFile(const std::string& path, const std::string& condition, VtcFiles& files, std::ostream& errors) {
    if (files.count(path)) return 1;
    OpenVtc f;
    f.stream = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*f.stream) {
        errors << "Could not open file: " << path << "\nfor condition '" << condition << "'";
        return 3;
    }
    const auto info = granger::readVtcInfo(*f.stream);
    if (!info) {
        errors << "Could not correctly read vtc-header file: " << path << "\nfor condition '" << condition
               << "'\nN.B.:VTC version 2 required for this version of the VUV_Irurar!";
        return 3;
    }
    f.info = *info;
    // A file shorter than its header says is refused before any work is done.
    f.stream->seekg(0, std::ios::end);
    const std::uint64_t size = static_cast<std::uint64_t>(f.stream->tellg());
    const std::uint64_t needed = static_cast<std::uint64_t>(info->headerBytes) +
                                 static_cast<std::uint64_t>(info->dimX()) * info->dimY() * info->dimZ() *
                                     static_cast<std::uint64_t>(info->nrOfVolumes) * info->bytesPerValue();
    if (size < needed) {
        errors << "Could not read data from vtc '" << path << "'\n"
               << "The file was corrupted (not of expected size) or made inaccessible";
        return 3;
    }
    // More data than the header announces would be read with the wrong
    // stride: every voxel's time course would start in the wrong place.
    if (size > needed) {
        errors << "The vtc '" << path << "' holds " << size << " bytes, but its header announces " << needed
               << " bytes (" << info->nrOfVolumes << " volumes of " << info->dimX() << " x " << info->dimY()
               << " x " << info->dimZ() << " voxels)";
        return 3;
    }
    files.emplace(path, std::move(f));
    return 1;
}

// The VOI's mean time course over one VTC; voxels outside the VTC's box do
// not count. False on a read failure or when no voxel lies inside.
bool voiTimeCourse(const ReferenceVoi& voi, OpenVtc& vtc, std::vector<float>& course) {
    const granger::VtcInfo& h = vtc.info;
    const int dx = h.dimX(), dy = h.dimY(), dz = h.dimZ();
    std::map<std::size_t, int> counts;
    int inside = 0;
    for (std::size_t i = 0; i + 2 < voi.voxels.size(); i += 3) {
        int x = voi.voxels[i], y = voi.voxels[i + 1], z = voi.voxels[i + 2];
        if (voi.referenceConvention) {
            x = 128 - voi.voxels[i + 1];
            y = 128 - voi.voxels[i + 2];
            z = 128 - voi.voxels[i];
        }
        const int gx = static_cast<int>(std::floor(static_cast<double>(x - h.xStart) / h.resolution + 0.5));
        const int gy = static_cast<int>(std::floor(static_cast<double>(y - h.yStart) / h.resolution + 0.5));
        const int gz = static_cast<int>(std::floor(static_cast<double>(z - h.zStart) / h.resolution + 0.5));
        if (gx < 0 || gy < 0 || gz < 0 || gx >= dx || gy >= dy || gz >= dz) continue;
        ++counts[(static_cast<std::size_t>(gz) * dy + gy) * dx + gx];
        ++inside;
    }
    if (inside == 0) return false;
    const std::size_t v = static_cast<std::size_t>(h.nrOfVolumes);
    std::vector<double> sum(v, 0.0);
    std::vector<float> one(v);
    for (const auto& [index, count] : counts) {
        if (!granger::readVoxelTimeCourse(*vtc.stream, h, index, one.data())) return false;
        for (std::size_t t = 0; t < v; ++t) sum[t] += static_cast<double>(one[t]) * count;
    }
    course.resize(v);
    for (std::size_t t = 0; t < v; ++t) course[t] = static_cast<float>(sum[t] / inside);
    return true;
}

std::string formatted(const char* format, const char* a, const char* b, const char* c) {
    std::vector<char> buffer(std::strlen(format) + std::strlen(a) + std::strlen(b) + std::strlen(c) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, a, b, c);
    return buffer.data();
}

std::string rule(char c, std::size_t n) {
    return std::string(n, c);
}

// Interval check and its log lines; 1 or 2 with the error text.
int checkIntervals(const Condition& c, const granger::GcmSettings& s, std::ostream& log,
                   std::ostream& errors) {
    const int p = s.arOrder;
    long total = 0, effective = 0;
    for (const VtcEntry& e : c.entries) {
        if (s.separateSourceTargetVtcs)
            log << "\tSrc VTC: " << e.sourcePath << "\n\tTrg VTC: " << e.targetPath << "\n";
        else
            log << "\tVTC: " << e.sourcePath << "\n";
        log << "\tintv(s):\n";
        for (const auto& [first, last] : e.intervals) {
            log << "\t\t" << first << "\t-\t" << last << "\n";
            // Reference and voxel values both come from the interval, so it
            // must lie inside the source and the target VTC.
            for (const auto* vtc : {&e.header, &e.targetHeader}) {
                const int v = vtc->nrOfVolumes;
                if (first < 1 || last > v || last - first + 1 <= p) {
                    const std::string& path = vtc == &e.header ? e.sourcePath : e.targetPath;
                    errors << "An interval (" << first << ", " << last << ") for vtc '" << path << "', " << v
                           << " volumes, in condition '" << c.name
                           << "' was wrongly specified (N.B. last-first+1 must be greater than AR-order(" << p
                           << "))";
                    return 2;
                }
            }
            total += last - first + 1;
            effective += last - first + 1 - p;
        }
    }
    // Maps from no time point would be all zero and look like a result.
    if (total == 0) {
        errors << "Condition '" << c.name
               << "' has no interval in any of its VTCs: there is nothing to compute";
        return 2;
    }
    for (const SkippedVtc& skipped : c.skipped)
        log << "\tSkipped VTC: " << skipped.path << " (" << skipped.reason << ")\n";
    log << "\tTotal nr. time-points: " << total << "\n";
    log << "\tEffective nr. time-points: " << effective << "\n";
    return 1;
}

struct Counters {
    long skipped = 0, illDefined = 0, surrogateIllDefined = 0;
};

int voxelLoop(const Condition& c, const granger::GcmSettings& s, VtcFiles& files,
              const std::vector<std::vector<float>>& references,
              const std::vector<std::vector<float>>& surrogates, granger::ResultVolumes& out,
              Counters& counts, std::ostream& errors) {
    granger::VoxelEngine engine(s.arOrder, s.numSurrogates);
    std::vector<std::string> targets;
    std::vector<int> entryTarget;
    for (std::size_t e = 0; e < c.entries.size(); ++e) {
        const VtcEntry& entry = c.entries[e];
        for (const auto& [first, last] : entry.intervals)
            engine.addInterval(static_cast<int>(e), first, last, references[e], surrogates[e], s.maxVolumes);
        auto it = std::find(targets.begin(), targets.end(), entry.targetPath);
        if (it == targets.end()) {
            targets.push_back(entry.targetPath);
            it = targets.end() - 1;
        }
        entryTarget.push_back(static_cast<int>(it - targets.begin()));
    }
    std::vector<std::size_t> targetVolumes;
    for (const std::string& t : targets)
        targetVolumes.push_back(static_cast<std::size_t>(files.at(t).info.nrOfVolumes));
    const granger::VtcInfo& grid = files.at(targets.front()).info;
    const int dx = grid.dimX(), dy = grid.dimY(), dz = grid.dimZ();
    std::vector<std::vector<float>> slices(targets.size());
    std::vector<char> raw;
    std::vector<const float*> courses(c.entries.size());
    const float inclusion = static_cast<float>(s.firstTimePointInclusionThres);
    int lastProgress = -1;
    for (int z = 0; z < dz; ++z) {
        if (s.verbose) {
            const int d =
                dz > 1 ? static_cast<int>(std::floor((static_cast<double>(z) / (dz - 1) * 100.0) / 10.0)) * 10
                       : 100;
            if (d != lastProgress) {
                char line[64];
                std::snprintf(line, sizeof line, "%s\t%d%%...", "GCM>", d);
                logRaw(line);
                lastProgress = d;
            }
        }
        for (std::size_t f = 0; f < targets.size(); ++f) {
            OpenVtc& vtc = files.at(targets[f]);
            if (!granger::readSlice(*vtc.stream, vtc.info, z, raw, slices[f])) {
                errors << "Could not read data from vtc '" << targets[f] << "'\n"
                       << "The file was corrupted (not of expected size) or made inaccessible";
                return 3;
            }
        }
        for (int y = 0; y < dy; ++y) {
            for (int x = 0; x < dx; ++x) {
                const std::size_t inSlice = static_cast<std::size_t>(y) * dx + x;
                const std::size_t voxel = static_cast<std::size_t>(z) * dx * dy + inSlice;
                bool included = true;
                for (std::size_t f = 0; f < targets.size() && included; ++f)
                    included = slices[f][inSlice * targetVolumes[f]] > inclusion;
                if (!included) {
                    ++counts.skipped;
                    continue;  // the result volumes start at 0
                }
                for (std::size_t e = 0; e < c.entries.size(); ++e) {
                    const std::size_t f = static_cast<std::size_t>(entryTarget[e]);
                    courses[e] = slices[f].data() + inSlice * targetVolumes[f];
                }
                granger::GewekeMeasures real, null;
                const auto status = engine.compute(courses.data(), real, null);
                if (status == granger::VoxelEngine::Status::IllDefined) ++counts.illDefined;
                if (status == granger::VoxelEngine::Status::SurrogateIllDefined) ++counts.surrogateIllDefined;
                out.ref2vox[voxel] = real.ref2vox;
                out.vox2ref[voxel] = real.vox2ref;
                out.inst[voxel] = real.inst;
                out.nullRef2vox[voxel] = null.ref2vox;
                out.nullVox2ref[voxel] = null.vox2ref;
                out.nullInst[voxel] = null.inst;
            }
        }
    }
    return 1;
}

void logCounters(const Counters& k, std::size_t voxels, bool verbose, std::ostream& log) {
    const double all = static_cast<double>(voxels);
    const double ps = 100.0 * k.skipped / all, pi = 100.0 * k.illDefined / all,
                 pss = 100.0 * k.surrogateIllDefined / all;
    if (verbose) {
        char line[512];
        std::snprintf(
            line, sizeof line,
            "%s\tVoxels skipped: %d\t(%3.1f%%)\n%s\tVoxels ill-defined: %d\t(%3.1f%%)\n%s\tSurrogates "
            "ill-defined: %d\t(%3.1f%%)",
            "GCM>", static_cast<int>(k.skipped), ps, "GCM>", static_cast<int>(k.illDefined), pi, "GCM>",
            static_cast<int>(k.surrogateIllDefined), pss);
        logRaw(line);
    }
    log << "\tVoxels skipped: " << k.skipped << "\t(" << ps << "%)\n";
    log << "\tVoxels ill-defined: " << k.illDefined << "\t(" << pi << "%)\n";
    log << "\tSurrogates ill-defined: " << k.surrogateIllDefined << "\t(" << pss << "%)\n";
}

int computeAll(RunDescription& run, std::ostream& errors) {
    const granger::GcmSettings& s = run.settings;
    VtcFiles files;
    for (const Condition& c : run.conditions)
        for (const VtcEntry& e : c.entries) {
            if (openFile(e.sourcePath, c.name, files, errors) != 1) return 3;
            if (openFile(e.targetPath, c.name, files, errors) != 1) return 3;
        }
    // Reference time courses [voi][condition][entry].
    std::vector<std::vector<std::vector<std::vector<float>>>> refs(run.vois.size());
    for (std::size_t v = 0; v < run.vois.size(); ++v) {
        refs[v].resize(run.conditions.size());
        for (std::size_t c = 0; c < run.conditions.size(); ++c) {
            for (const VtcEntry& e : run.conditions[c].entries) {
                std::vector<float> course;
                if (!voiTimeCourse(run.vois[v], files.at(e.sourcePath), course)) {
                    errors << "Could not obtain time-course information from vtc-file for creation of a voi "
                              "time-course(internal error) for:\n"
                           << "vtc: " << e.sourcePath << "\n"
                           << "voi: " << run.vois[v].name;
                    return 3;
                }
                refs[v][c].push_back(std::move(course));
            }
        }
    }
    if (s.verbose) logRaw(formatted("%s\n%s Generating surrogate ref time-courses...", "GCM>", "GCM>", ""));
    std::vector<std::vector<std::vector<std::vector<float>>>> surr(run.vois.size());
    for (std::size_t v = 0; v < run.vois.size(); ++v) {
        surr[v].resize(run.conditions.size());
        for (std::size_t c = 0; c < run.conditions.size(); ++c) {
            for (std::size_t e = 0; e < refs[v][c].size(); ++e) {
                const std::vector<float>& ref = refs[v][c][e];
                std::vector<float> detrended(ref.size());
                std::vector<double> gamma(static_cast<std::size_t>(s.arOrder + 1));
                std::vector<float> a;
                float variance = 0.0f;
                if (static_cast<int>(ref.size()) > s.arOrder) {
                    granger::detrend(ref.data(), static_cast<int>(ref.size()), detrended.data());
                    granger::autocovariances(detrended.data(), static_cast<int>(ref.size()), s.arOrder,
                                             gamma.data());
                }
                if (static_cast<int>(ref.size()) <= s.arOrder ||
                    !granger::fitUnivariateAR(gamma.data(), s.arOrder, a, variance)) {
                    errors << "The reference time course of VOI '" << run.vois[v].name << "' in vtc '"
                           << run.conditions[c].entries[e].sourcePath
                           << "' has no variance an autoregressive model could describe";
                    return 2;
                }
                surr[v][c].push_back(
                    granger::simulateSurrogates(a, variance, s.numSurrogates, s.maxVolumes, s.numDiscarded,
                                                static_cast<long long>(granger::gcmClockSeconds())));
            }
        }
    }
    for (std::size_t v = 0; v < run.vois.size(); ++v) {
        const ReferenceVoi& voi = run.vois[v];
        std::ostringstream log;
        granger::writeGcmSettingsBlock(log, s);
        if (s.verbose) logRaw(formatted("%s\n%s VOI: <b>%s</b>", "GCM>", "GCM>", voi.name.c_str()));
        log << "VOI: " << voi.name << "\n" << rule('*', voi.name.size() + 5) << "\n";
        if (const int r = createMapSet(run, errors); r != 1) return r;
        for (std::size_t c = 0; c < run.conditions.size(); ++c) {
            const Condition& cond = run.conditions[c];
            if (s.verbose)
                logRaw(formatted("%s\n%s\tCondition: <em>%s</em>", "GCM>", "GCM>", cond.name.c_str()));
            log << "\n\tCondition: " << cond.name << "\n\t" << rule('-', cond.name.size() + 11) << "\n";
            if (const int r = checkIntervals(cond, s, log, errors); r != 1) return r;
            const granger::VtcInfo& grid = files.at(cond.entries.front().targetPath).info;
            const std::size_t voxels = static_cast<std::size_t>(grid.dimX()) * grid.dimY() * grid.dimZ();
            granger::ResultVolumes results(voxels);
            Counters counts;
            if (refs[v][c].size() != cond.entries.size() || surr[v][c].size() != cond.entries.size()) {
                errors << "Failed to retrieve precomputed voi time-course for VOI '" << voi.name
                       << "', Condition '" << cond.name << "' (internal error)";
                return 3;
            }
            if (const int r = voxelLoop(cond, s, files, refs[v][c], surr[v][c], results, counts, errors);
                r != 1)
                return r;
            logCounters(counts, voxels, s.verbose, log);
            if (s.verbose) logRaw(formatted("%s\n%s\tComputing maps and thresholds... ", "GCM>", "GCM>", ""));
            results.scale(s.mapScaleFactor);
            if (const int r = storeConditionMaps(run, static_cast<int>(c), voi.name, results, errors); r != 1)
                return r;
        }
        if (const int r = writeVoiOutput(outputBase(run, voi.name), log.str(), errors); r != 1) return r;
    }
    return 1;
}

}  // namespace

int computeGcm(RunDescription& run, std::ostream& errors) {
    const int result = computeAll(run, errors);
    deleteMaps();
    return result;
}

}  // namespace gcm
