// One VTC of the run: link it, read the region time courses (and betas),
// take the reference condition's trials, ask the run options on the first
// VTC, then extract, fit and store every region.

#include <algorithm>
#include <cstring>

#include "frame/atomic_file.h"
#include "latency/core/region_fit.h"
#include "latency/plugin/host_access.h"
#include "latency/plugin/latency_run.h"
#include "latency/io/result_files.h"
#include "latency/io/text_format.h"
#include "latency/core/trial_extraction.h"

namespace latency::plugin {

using namespace latency::core;
using namespace latency::io;
namespace {

const char* const kProtocolMessage =
    "VOZU Rudoruz Ori>  You need valid conditions specified in a linked PRT file in msec: "
    "please, load or create a PRT File!";
const char* const kNoTrialMessage =
    "VOZU Rudoruz Ori>  You need at least 1 trial x condition specified in the PRT file!";

std::string conditionName(const tl::ProtocolConditionRecord& condition) {
    return std::string(condition.name, strnlen(condition.name, sizeof condition.name));
}

void logCannotWrite(const std::string& name) {
    host::log(formatText("VOZU Rudoruz Ori> Cannot write file: %s", name.c_str()));
}

// Writes one plot file whole, or logs that it could not.
void savePlot(const std::string& name, const float* values, const float* errors, float offset, int n,
              PlotColour colour) {
    tl::AtomicFile file(name);
    writePlotFile(file.stream(), values, errors, offset, n, kPlotLeadingZeroRows, colour);
    if (!file.commit()) logCannotWrite(name);
}

}  // namespace

LatencyRun::Step LatencyRun::processVtc(int index) {
    Step step = linkVtc(index);
    if (step != Step::kGoOn) return step;
    const std::string accessing =
        formatText("VOZU Rudoruz Ori> Accessing data and estimating trials from VTC n. %i ...", index + 1);
    if ((step = readRegionData(index)) != Step::kGoOn) return step;
    std::vector<int> onsets;
    if ((step = readReferenceCondition(index, onsets)) != Step::kGoOn) return step;
    if (isFirst(index) && (step = askFactorAndWindow()) != Step::kGoOn) return step;

    const TrialPlan plan =
        planTrials(onsets.data(), static_cast<int>(onsets.size()), vtcVolumes_, vtcTr_, window_);
    if (plan.truncated)
        host::log(formatText("VOZU Rudoruz Ori> More than %i trials: only the first %i are used.", kMaxTrials,
                             kMaxTrials));
    if (plan.lastDropped) host::log("VOZU Rudoruz Ori> Exceeding the time-series: last trial skipped.");
    if (plan.onsets.empty()) {
        host::log(kNoTrialMessage);
        return Step::kStopFalse;
    }
    if (isFirst(index) && !useGlm_)
        singleTrial_ = host::askYesNo("Do you want to perform single-trial-based analysis ?");
    if (isFirst(index) && factor_ > 1 &&
        !host::askYesNo("Interpolation before fitting improves temporal resolution but also "
                        "increases computional times. Do you want to apply anyway?"))
        factor_ = 1;
    host::log(accessing);
    if (isFirst(index) && (step = askRemainingOptions()) != Step::kGoOn) return step;

    trialsUsed_[static_cast<std::size_t>(index)] = static_cast<int>(plan.onsets.size());
    TrialSetup setup;
    setup.volumes = vtcVolumes_;
    setup.tr = vtcTr_;
    setup.factor = factor_;
    setup.window = window_;
    setup.onsets = plan.onsets;
    TrialExtractor trials(setup);
    fitRegions(index, trials);
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::linkVtc(int index) {
    const std::string& path = vtcPaths_[static_cast<std::size_t>(index)];
    host::linkVtc(path, index);
    host::loadLinkedVtcData(firstHeader_.dataType);
    const tl::VTCHeaderRecord header = host::linkedVtcHeader();
    if (header.present == -1) {
        host::log("VOZU Rudoruz Ori>  Could not get the first VTC!");
        return Step::kStopFalse;
    }
    // Labels and maps live on the first VTC's grid; the time course buffers
    // are sized per VTC, so runs may have any length.
    if (header.dimX() != grid_.dimX || header.dimY() != grid_.dimY || header.dimZ() != grid_.dimZ ||
        header.xStart != grid_.xStart || header.yStart != grid_.yStart || header.zStart != grid_.zStart ||
        header.resolution != grid_.resolution) {
        host::log(formatText(
            "VOZU Rudoruz Ori>  VTC n. %i does not match the first VTC (a %i x %i x %i grid of %i mm "
            "from (%i, %i, %i) expected): %s",
            index + 1, grid_.dimX, grid_.dimY, grid_.dimZ, grid_.resolution, grid_.xStart, grid_.yStart,
            grid_.zStart, path.c_str()));
        return Step::kStopFalse;
    }
    if (header.nrOfVolumes < 2 || header.tr < 1) {
        host::log(
            formatText("VOZU Rudoruz Ori>  The header of VTC n. %i cannot be used: %i volumes, "
                       "TR %i ms.",
                       index + 1, header.nrOfVolumes, header.tr));
        return Step::kStopFalse;
    }
    vtcVolumes_ = header.nrOfVolumes;
    vtcTr_ = header.tr;
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::readRegionData(int index) {
    courses_.reset();
    courses_.emplace(0, regions_ - 1, 0, vtcVolumes_ - 1);
    numeric::FloatMatrix& courses = *courses_;
    for (int r = 0; r < regions_; ++r) std::fill(courses[r], courses[r] + vtcVolumes_, 0.0f);
    numeric::FloatVector buffer(0, vtcVolumes_ - 1);
    for (std::size_t i = 0; i < selected_.size(); ++i) {
        if (!host::readVoxelTimeCourse(index, selected_[i], buffer.get())) {
            host::log(
                formatText("VOZU Rudoruz Ori>  Could not read the time course of voxel %i from VTC n. %i.",
                           selected_[i], index + 1));
            return Step::kStopFalse;
        }
        float* row = courses[regionOf_[i]];
        if (voiMode())
            for (int t = 0; t < vtcVolumes_; ++t) row[t] += buffer[t];
        else
            std::copy(buffer.get(), buffer.get() + vtcVolumes_, row);
    }

    const int points = deconvolutionPoints_;
    if (useGlm_) {
        regionBetas_.reset();
        regionBetas_.emplace(0, regions_ - 1, 0, std::max(points, 1) - 1);
        numeric::FloatMatrix& betas = *regionBetas_;
        for (int r = 0; r < regions_; ++r) std::fill(betas[r], betas[r] + points, 0.0f);
        const std::size_t voxelCount = static_cast<std::size_t>(grid_.voxelCount());
        const int start = deconvolutionBlockStart(points, index, glm_.separatePredictors == 1);
        for (std::size_t i = 0; i < selected_.size(); ++i) {
            float* row = betas[regionOf_[i]];
            const std::size_t voxel = static_cast<std::size_t>(selected_[i]);
            for (int k = 0; k < points; ++k) {
                const float beta = betas_[static_cast<std::size_t>(start + k) * voxelCount + voxel];
                row[k] = voiMode() ? row[k] + beta : beta;
            }
        }
    }

    if (voiMode()) {
        // A VOI's course is the plain mean over its VTC voxels.
        for (int v = 0; v < regions_; ++v) {
            const float count = static_cast<float>(voiVtcVoxels_[static_cast<std::size_t>(v)]);
            if (count == 0.0f) continue;
            for (int t = 0; t < vtcVolumes_; ++t) courses[v][t] /= count;
            if (useGlm_)
                for (int k = 0; k < points; ++k) (*regionBetas_)[v][k] /= count;
        }
    }
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::readReferenceCondition(int index, std::vector<int>& onsets) {
    tl::ProtocolRecord protocol{};
    if (!host::readProtocol(protocol) || protocol.nrOfConditions < 1 || protocol.timeUnit < 2) {
        host::log(kProtocolMessage);
        return Step::kStopFalse;
    }
    if (isFirst(index)) {
        host::log("VOZU Rudoruz Ori> List of protocol conditions attached the first VTC file:");
        for (int c = 0; c < protocol.nrOfConditions; ++c) {
            tl::ProtocolConditionRecord condition{};
            host::readProtocolCondition(c, condition);
            host::log(
                formatText("VOZU Rudoruz Ori> Condition n.%i : %s", c + 1, conditionName(condition).c_str()));
        }
        referenceCondition_ = 0;
        if (!useGlm_) {
            referenceCondition_ =
                host::askInteger("Enter protocol condition:", 1, 1, protocol.nrOfConditions) - 1;
            if (referenceCondition_ < 0) return Step::kStopFalse;
        }
    }
    // A later VTC's protocol may lack the chosen condition.
    if (referenceCondition_ >= protocol.nrOfConditions) {
        host::log(kProtocolMessage);
        return Step::kStopFalse;
    }
    tl::ProtocolConditionRecord condition{};
    host::readProtocolCondition(referenceCondition_, condition);
    host::log(formatText("VOZU Rudoruz Ori> Chosen Reference Condition: %i %s", referenceCondition_ + 1,
                         conditionName(condition).c_str()));
    if (condition.nrOfIntervals < 1 || !condition.starts) {
        host::log(kNoTrialMessage);
        return Step::kStopFalse;
    }
    onsets.assign(condition.starts, condition.starts + condition.nrOfIntervals);
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::askFactorAndWindow() {
    if (useGlm_) {
        factor_ = 1;
        window_ = static_cast<float>((deconvolutionPoints_ - 1) * tr_ / factor_);
    } else {
        factor_ = host::askInteger("Enter an integer interpolation factor (1=no interpolation):", 1, 1, 4);
        if (factor_ < 1) return Step::kStopFalse;
        const float minimum = 5000.0f;
        window_ = host::askFloat("Enter event-related time window for processing (in msec):", 16000.0f,
                                 minimum, 70.0f * static_cast<float>(tr_ / factor_));
        // The host answers a cancelled dialog with a value below the minimum.
        if (!(window_ >= minimum)) return Step::kStopFalse;
    }
    host::log(formatText("VOZU Rudoruz Ori> Time window length : %5.3f msec", window_));
    return window_ > 0.0f ? Step::kGoOn : Step::kStopFalse;
}

LatencyRun::Step LatencyRun::askRemainingOptions() {
    if (useGlm_) {
        const int points = deconvolutionPoints_;
        const int first = host::askInteger(
            "Using deconvolved responses from current GLM. Please select the first data point:", 1, 1,
            points);
        int last = 0;
        if (first > 0)
            last = host::askInteger(
                "Using deconvolved responses from current GLM. Please select the last data point:", points,
                first, points);
        firstPoint_ = first - 1;
        lastPoint_ = last - 1;
        if (firstPoint_ < 0 || lastPoint_ < 0 || lastPoint_ < firstPoint_) {
            host::log(
                "VOZU Rudoruz Ori> Incorrect value interval for deconvolution beta plots. "
                "Exiting plugin.");
            return Step::kStopFalse;
        }
    }
    if (singleTrial_) {
        const float minimum = 1e-5f;
        confidence_ = host::askFloat(
            "Please enter confidence level for single-trial latency estimation:", 0.05f, minimum, 0.5f);
        if (!(confidence_ >= minimum)) return Step::kStopFalse;
        const long vtcs = static_cast<long>(vtcPaths_.size());
        for (auto& store : trialStore_) store.emplace(0, vtcs - 1, 0, kMaxTrials - 1, 0, regions_ - 1);
    }
    returnToBaseline_ = host::askYesNo("Do you want to force a return-to-baseline part?");
    if (!returnToBaseline_) host::message("Duration latency not usable.");
    return Step::kGoOn;
}

void LatencyRun::fitRegions(int index, TrialExtractor& trials) {
    host::BusyCursor busy;
    const int vtcNumber = index + 1;
    const bool allSingleTrials = voiMode() && singleTrial_;
    const bool allVoxelTrials = accessMode_ == 2 && !singleTrial_ && voiNames_.size() == 1;
    tl::AtomicFile perVtcFile;
    if (allSingleTrials) perVtcFile.open(allSingleTrialsName(vtcNumber));
    if (allVoxelTrials) perVtcFile.open(allVoxelTrialsName(vtcNumber));

    RegionFitOptions options;
    options.singleTrial = singleTrial_;
    options.returnToBaseline = returnToBaseline_;
    options.useBetas = useGlm_;
    options.firstPoint = firstPoint_;
    options.lastPoint = lastPoint_;
    options.betaStep = static_cast<float>(tr_);
    RegionFit fit;
    int badAverage = 0;
    int badTrials = 0;

    for (int r = 0; r < regions_; ++r) {
        trials.extract((*courses_)[r]);
        fitRegion(fitter_, trials, useGlm_ ? (*regionBetas_)[r] : nullptr, options, fit);
        for (std::size_t j = 0; j < fit.trials.size(); ++j) {
            const ResponseMeasures& m = fit.trials[j].measures;
            const float values[kMeasureCount] = {m.onset, m.width, m.timeToPeak, m.amplitude};
            for (int k = 0; k < kMeasureCount; ++k)
                (*trialStore_[k])[index][static_cast<long>(j)][r] = values[k];
            badTrials += m.badFit ? 1 : 0;
        }
        const ResponseMeasures& m = fit.response.measures;
        const float values[kMeasureCount] = {m.onset, m.width, m.timeToPeak, m.amplitude};
        for (int k = 0; k < kMeasureCount; ++k) (*averageStore_[k])[index][r] = values[k];
        badAverage += m.badFit ? 1 : 0;

        if (voiMode()) writeVoiOutputs(index, r, fit, perVtcFile);
        if (allVoxelTrials)
            writeVoxelAverageTrial(perVtcFile.stream(), vtcNumber, r + 1, fit.averageTrial.data(),
                                   static_cast<int>(fit.averageTrial.size()));
    }

    const long long averagePercent = 100LL * badAverage / regions_;
    host::log(formatText("VOZU Rudoruz Ori>>>  Bad fits (average-trial) : %i %%",
                         static_cast<int>(averagePercent)));
    if (averagePercent > 10)
        host::log(
            "VOZU Rudoruz Ori>>> Bad fit warning: too low SNR or too short time window. Try "
            "to increase thresholds or windows.");
    if (singleTrial_) {
        const long long fits = static_cast<long long>(trials.trialCount()) * regions_;
        host::log(formatText("VOZU Rudoruz Ori>>>  Bad fits (single-trial): %i %%",
                             static_cast<int>(100LL * badTrials / fits)));
    }
    busy.stop();
    if ((allSingleTrials || allVoxelTrials) && !perVtcFile.commit()) logCannotWrite(perVtcFile.name());
}

void LatencyRun::writeVoiOutputs(int index, int r, const RegionFit& fit, tl::AtomicFile& allSingleTrials) {
    const int vtcNumber = index + 1;
    const std::string& voi = regionName(r);
    if (singleTrial_) {
        tl::AtomicFile table(singleTrialTableName(voi, vtcNumber));
        writeSingleTrialTableHeader(table.stream(), vtcNumber, vtcPaths_[static_cast<std::size_t>(index)]);
        for (std::size_t j = 0; j < fit.trials.size(); ++j) {
            const FittedCurve& trial = fit.trials[j];
            const int number = static_cast<int>(j) + 1;
            host::log(formatText("VOZU Rudoruz Ori>>> Fitting trial n.%i for VOI : %s", number, voi.c_str()));
            writeSingleTrialCurve(allSingleTrials.stream(), vtcNumber, voi, number, trial.curve.data(),
                                  trial.fitted.data(), static_cast<int>(trial.curve.size()));
            writeMeasuresRow(table.stream(), trial.measures);
        }
        if (!table.commit()) logCannotWrite(table.name());
    }

    const FittedCurve& response = fit.response;
    const int n = static_cast<int>(response.curve.size());
    // Curves are shown in percent relative to the fit's first point.
    const float offset = n > 0 ? response.fitted[0] : 0.0f;
    if (!useGlm_) {
        const std::vector<float> zeros(response.curve.size(), 0.0f);
        savePlot(signalPlotName(voi, vtcNumber), response.curve.data(), zeros.data(), offset, n,
                 kSignalColour);
        savePlot(signalFitPlotName(voi, vtcNumber), response.fitted.data(), zeros.data(), offset, n,
                 kSignalFitColour);
        return;
    }
    // Both beta plots span every deconvolution point; outside the fitted
    // range they hold 0.
    const std::size_t points = static_cast<std::size_t>(std::max(deconvolutionPoints_, 1));
    std::vector<float> betaPlot(points, 0.0f);
    std::vector<float> betaFitPlot(points, 0.0f);
    std::copy(response.curve.begin(), response.curve.end(), betaPlot.begin() + firstPoint_);
    std::copy(response.fitted.begin(), response.fitted.end(), betaFitPlot.begin() + firstPoint_);
    const std::vector<float> zeros(points, 0.0f);
    const int count = static_cast<int>(points);
    savePlot(betaPlotName(voi, vtcNumber), betaPlot.data(), zeros.data(), offset, count, kBetaColour);
    savePlot(betaFitPlotName(voi, vtcNumber), betaFitPlot.data(), zeros.data(), offset, count,
             kBetaFitColour);
}

}  // namespace latency::plugin
