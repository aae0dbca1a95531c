#include "granger/core/run_computation.h"

#include "granger/core/gcm_random.h"
#include "granger/core/surrogates.h"
#include "granger/core/voxel_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace granger::core {

namespace {

using Courses = std::vector<std::vector<float>>;  // per VTC entry

std::string formatted(const char* format, const char* a, const char* b, const char* c) {
    std::vector<char> buffer(std::strlen(format) + std::strlen(a) + std::strlen(b) + std::strlen(c) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, a, b, c);
    return buffer.data();
}

std::string rule(char c, std::size_t n) {
    return std::string(n, c);
}

// The VOI's mean time course over one VTC; voxels outside the VTC's box do
// not count. False on a read failure or when no voxel lies inside.
bool voiTimeCourse(const ReferenceVoi& voi, const RunGeometry& g, SliceReader& vtc,
                   std::vector<float>& course) {
    const int dx = g.dimX(), dy = g.dimY(), dz = g.dimZ();
    std::map<std::size_t, int> counts;
    int inside = 0;
    for (std::size_t i = 0; i + 2 < voi.voxels.size(); i += 3) {
        const auto [x, y, z] =
            tl::voiVoxelToVolume(voi.convention, voi.voxels[i], voi.voxels[i + 1], voi.voxels[i + 2]);
        const int gx = static_cast<int>(std::floor(static_cast<double>(x - g.xStart) / g.resolution + 0.5));
        const int gy = static_cast<int>(std::floor(static_cast<double>(y - g.yStart) / g.resolution + 0.5));
        const int gz = static_cast<int>(std::floor(static_cast<double>(z - g.zStart) / g.resolution + 0.5));
        if (gx < 0 || gy < 0 || gz < 0 || gx >= dx || gy >= dy || gz >= dz) continue;
        ++counts[(static_cast<std::size_t>(gz) * dy + gy) * dx + gx];
        ++inside;
    }
    if (inside == 0) return false;
    const std::size_t v = static_cast<std::size_t>(vtc.volumes());
    std::vector<double> sum(v, 0.0);
    std::vector<float> one(v);
    for (const auto& [index, count] : counts) {
        if (!vtc.readTimeCourse(index, one.data())) return false;
        for (std::size_t t = 0; t < v; ++t) sum[t] += static_cast<double>(one[t]) * count;
    }
    course.resize(v);
    for (std::size_t t = 0; t < v; ++t) course[t] = static_cast<float>(sum[t] / inside);
    return true;
}

// Interval check and its log lines.
Outcome checkIntervals(const Condition& c, const GcmSettings& s, std::ostream& log) {
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
            for (const bool source : {true, false}) {
                const int v = source ? e.sourceVolumes : e.targetVolumes;
                if (first < 1 || last > v || last - first + 1 <= p) {
                    std::ostringstream errors;
                    errors << "An interval (" << first << ", " << last << ") for vtc '"
                           << (source ? e.sourcePath : e.targetPath) << "', " << v
                           << " volumes, in condition '" << c.name
                           << "' was wrongly specified (N.B. last-first+1 must be greater than AR-order(" << p
                           << "))";
                    return Outcome::invalid(errors.str());
                }
            }
            total += last - first + 1;
            effective += last - first + 1 - p;
        }
    }
    // Maps from no time point would be all zero and look like a result.
    if (total == 0)
        return Outcome::invalid("Condition '" + c.name +
                                "' has no interval in any of its VTCs: there is nothing to compute");
    for (const SkippedVtc& skipped : c.skipped)
        log << "\tSkipped VTC: " << skipped.path << " (" << skipped.reason << ")\n";
    log << "\tTotal nr. time-points: " << total << "\n";
    log << "\tEffective nr. time-points: " << effective << "\n";
    return Outcome::done();
}

struct Counters {
    long skipped = 0, illDefined = 0, surrogateIllDefined = 0;
};

void progressLine(const GcmSettings& s, int z, int dz, int& lastProgress, RunSink& sink) {
    if (!s.verbose) return;
    const int d =
        dz > 1 ? static_cast<int>(std::floor((static_cast<double>(z) / (dz - 1) * 100.0) / 10.0)) * 10 : 100;
    if (d == lastProgress) return;
    char line[64];
    std::snprintf(line, sizeof line, "%s\t%d%%...", "GCM>", d);
    sink.progress(line);
    lastProgress = d;
}

Outcome voxelLoop(const Condition& c, const GcmSettings& s, const RunGeometry& g, const VtcReaders& readers,
                  const Courses& references, const Courses& surrogates, ResultVolumes& out, Counters& counts,
                  RunSink& sink) {
    VoxelEngine engine(s.arOrder, s.numSurrogates);
    std::vector<std::string> targets;
    std::vector<std::size_t> entryTarget;
    for (std::size_t e = 0; e < c.entries.size(); ++e) {
        const VtcEntry& entry = c.entries[e];
        for (const auto& [first, last] : entry.intervals)
            engine.addInterval(static_cast<int>(e), first, last, references[e], surrogates[e], g.maxVolumes);
        auto it = std::find(targets.begin(), targets.end(), entry.targetPath);
        if (it == targets.end()) {
            targets.push_back(entry.targetPath);
            it = targets.end() - 1;
        }
        entryTarget.push_back(static_cast<std::size_t>(it - targets.begin()));
    }
    // Each target VTC is indexed with its own number of volumes.
    std::vector<std::size_t> targetVolumes;
    for (const std::string& t : targets)
        targetVolumes.push_back(static_cast<std::size_t>(readers.at(t)->volumes()));
    const int dx = g.dimX(), dy = g.dimY(), dz = g.dimZ();
    std::vector<std::vector<float>> slices(targets.size());
    std::vector<const float*> courses(c.entries.size());
    const float inclusion = static_cast<float>(s.firstTimePointInclusionThres);
    int lastProgress = -1;
    for (int z = 0; z < dz; ++z) {
        progressLine(s, z, dz, lastProgress, sink);
        for (std::size_t f = 0; f < targets.size(); ++f) {
            if (!readers.at(targets[f])->readSlice(z, slices[f]))
                return Outcome::terminal(
                    "Could not read data from vtc '" + targets[f] + "'\n" +
                    "The file was corrupted (not of expected size) or made inaccessible");
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
                    const std::size_t f = entryTarget[e];
                    courses[e] = slices[f].data() + inSlice * targetVolumes[f];
                }
                GewekeMeasures real, null;
                const auto status = engine.compute(courses.data(), real, null);
                if (status == VoxelEngine::Status::IllDefined) ++counts.illDefined;
                if (status == VoxelEngine::Status::SurrogateIllDefined) ++counts.surrogateIllDefined;
                out.ref2vox[voxel] = real.ref2vox;
                out.vox2ref[voxel] = real.vox2ref;
                out.inst[voxel] = real.inst;
                out.nullRef2vox[voxel] = null.ref2vox;
                out.nullVox2ref[voxel] = null.vox2ref;
                out.nullInst[voxel] = null.inst;
            }
        }
    }
    return Outcome::done();
}

void logCounters(const Counters& k, std::size_t voxels, bool verbose, std::ostream& log, RunSink& sink) {
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
        sink.progress(line);
    }
    log << "\tVoxels skipped: " << k.skipped << "\t(" << ps << "%)\n";
    log << "\tVoxels ill-defined: " << k.illDefined << "\t(" << pi << "%)\n";
    log << "\tSurrogates ill-defined: " << k.surrogateIllDefined << "\t(" << pss << "%)\n";
}

// Reference time courses [voi][condition][entry].
Outcome referenceCourses(const RunPlan& plan, const VtcReaders& readers,
                         std::vector<std::vector<Courses>>& refs) {
    refs.assign(plan.vois.size(), std::vector<Courses>(plan.conditions.size()));
    for (std::size_t v = 0; v < plan.vois.size(); ++v)
        for (std::size_t c = 0; c < plan.conditions.size(); ++c)
            for (const VtcEntry& e : plan.conditions[c].entries) {
                std::vector<float> course;
                if (!voiTimeCourse(plan.vois[v], plan.geometry, *readers.at(e.sourcePath), course))
                    return Outcome::terminal(
                        "Could not obtain time-course information from vtc-file for creation of a voi "
                        "time-course(internal error) for:\nvtc: " +
                        e.sourcePath + "\nvoi: " + plan.vois[v].name);
                refs[v][c].push_back(std::move(course));
            }
    return Outcome::done();
}

// The surrogate series of one reference time course.
Outcome surrogatesOf(const std::vector<float>& ref, const RunPlan& plan, const ReferenceVoi& voi,
                     const VtcEntry& entry, std::vector<float>& out) {
    const GcmSettings& s = plan.settings;
    std::vector<float> detrended(ref.size());
    std::vector<double> gamma(static_cast<std::size_t>(s.arOrder + 1));
    std::vector<float> a;
    float variance = 0.0f;
    if (static_cast<int>(ref.size()) > s.arOrder) {
        detrend(ref.data(), static_cast<int>(ref.size()), detrended.data());
        autocovariances(detrended.data(), static_cast<int>(ref.size()), s.arOrder, gamma.data());
    }
    if (static_cast<int>(ref.size()) <= s.arOrder || !fitUnivariateAR(gamma.data(), s.arOrder, a, variance))
        return Outcome::invalid("The reference time course of VOI '" + voi.name + "' in vtc '" +
                                entry.sourcePath +
                                "' has no variance an autoregressive model could describe");
    out = simulateSurrogates(a, variance, s.numSurrogates, plan.geometry.maxVolumes, s.numDiscarded,
                             static_cast<long long>(gcmClockSeconds()));
    return Outcome::done();
}

Outcome allSurrogates(const RunPlan& plan, const std::vector<std::vector<Courses>>& refs,
                      std::vector<std::vector<Courses>>& surr) {
    surr.assign(plan.vois.size(), std::vector<Courses>(plan.conditions.size()));
    for (std::size_t v = 0; v < plan.vois.size(); ++v)
        for (std::size_t c = 0; c < plan.conditions.size(); ++c)
            for (std::size_t e = 0; e < refs[v][c].size(); ++e) {
                std::vector<float> series;
                const Outcome r =
                    surrogatesOf(refs[v][c][e], plan, plan.vois[v], plan.conditions[c].entries[e], series);
                if (!r.ok()) return r;
                surr[v][c].push_back(std::move(series));
            }
    return Outcome::done();
}

Outcome computeCondition(const RunPlan& plan, std::size_t c, std::size_t v, const VtcReaders& readers,
                         const Courses& refs, const Courses& surr, std::ostream& log, RunSink& sink) {
    const GcmSettings& s = plan.settings;
    const Condition& cond = plan.conditions[c];
    const ReferenceVoi& voi = plan.vois[v];
    if (s.verbose)
        sink.progress(formatted("%s\n%s\tCondition: <em>%s</em>", "GCM>", "GCM>", cond.name.c_str()));
    log << "\n\tCondition: " << cond.name << "\n\t" << rule('-', cond.name.size() + 11) << "\n";
    if (Outcome r = checkIntervals(cond, s, log); !r.ok()) return r;
    const std::size_t voxels = static_cast<std::size_t>(plan.geometry.dimX()) * plan.geometry.dimY() *
                               static_cast<std::size_t>(plan.geometry.dimZ());
    ResultVolumes results(voxels);
    Counters counts;
    if (refs.size() != cond.entries.size() || surr.size() != cond.entries.size())
        return Outcome::terminal("Failed to retrieve precomputed voi time-course for VOI '" + voi.name +
                                 "', Condition '" + cond.name + "' (internal error)");
    if (Outcome r = voxelLoop(cond, s, plan.geometry, readers, refs, surr, results, counts, sink); !r.ok())
        return r;
    logCounters(counts, voxels, s.verbose, log, sink);
    if (s.verbose) sink.progress(formatted("%s\n%s\tComputing maps and thresholds... ", "GCM>", "GCM>", ""));
    results.scale(s.mapScaleFactor);
    return sink.conditionResults(c, voi, results);
}

}  // namespace

Outcome computeRun(const RunPlan& plan, const VtcReaders& readers, RunSink& sink) {
    const GcmSettings& s = plan.settings;
    std::vector<std::vector<Courses>> refs, surr;
    if (Outcome r = referenceCourses(plan, readers, refs); !r.ok()) return r;
    if (s.verbose)
        sink.progress(formatted("%s\n%s Generating surrogate ref time-courses...", "GCM>", "GCM>", ""));
    if (Outcome r = allSurrogates(plan, refs, surr); !r.ok()) return r;
    for (std::size_t v = 0; v < plan.vois.size(); ++v) {
        const ReferenceVoi& voi = plan.vois[v];
        std::ostringstream log;
        writeGcmSettingsBlock(log, s);
        if (s.verbose) sink.progress(formatted("%s\n%s VOI: <b>%s</b>", "GCM>", "GCM>", voi.name.c_str()));
        log << "VOI: " << voi.name << "\n" << rule('*', voi.name.size() + 5) << "\n";
        if (Outcome r = sink.beginVoi(voi); !r.ok()) return r;
        for (std::size_t c = 0; c < plan.conditions.size(); ++c)
            if (Outcome r = computeCondition(plan, c, v, readers, refs[v][c], surr[v][c], log, sink); !r.ok())
                return r;
        if (Outcome r = sink.endVoi(voi, log.str()); !r.ok()) return r;
    }
    return Outcome::done();
}

}  // namespace granger::core
