// The run's end: "AvgTrials_Results.txt", the log summaries, and the latency
// maps handed to the host and saved as a ".blm" file.

#include <cstring>

#include "frame/atomic_file.h"
#include "latency/plugin/host_access.h"
#include "latency/plugin/latency_run.h"
#include "latency/plugin/summary_lines.h"
#include "latency/io/result_files.h"
#include "latency/io/text_format.h"

namespace latency::plugin {

using namespace latency::core;
using namespace latency::io;

void LatencyRun::writeResults() {
    const int vtcs = static_cast<int>(vtcPaths_.size());
    int pooledTrials = 0;
    for (int used : trialsUsed_) pooledTrials += used;

    std::vector<float> perVtc[kMeasureCount];
    std::vector<float> trialValues[kMeasureCount];
    for (int m = 0; m < kMeasureCount; ++m) {
        perVtc[m].resize(static_cast<std::size_t>(vtcs));
        trialValues[m].resize(static_cast<std::size_t>(pooledTrials));
    }
    for (auto& values : mapValues_) values.assign(static_cast<std::size_t>(regions_), 0.0f);

    tl::AtomicFile results(kAverageResultsName);
    for (int r = 0; r < regions_; ++r) {
        for (int m = 0; m < kMeasureCount; ++m)
            for (int v = 0; v < vtcs; ++v) perVtc[m][static_cast<std::size_t>(v)] = (*averageStore_[m])[v][r];
        writeRegionResults(results.stream(), r + 1,
                           {perVtc[kOnset].data(), perVtc[kWidth].data(), perVtc[kTimeToPeak].data(),
                            perVtc[kAmplitude].data(), vtcs});
        // The means come from exactly the values just written.
        float means[kMeasureCount];
        for (int m = 0; m < kMeasureCount; ++m) {
            means[m] = validMean(perVtc[m].data(), vtcs);
            mapValues_[m][static_cast<std::size_t>(r)] = means[m];
        }
        if (voiMode())
            for (const std::string& line : averageSummaryLines(r + 1, regionName(r), useGlm_, means))
                host::log(line);
        if (!singleTrial_) continue;

        const float* pooledValues[kMeasureCount];
        for (int m = 0; m < kMeasureCount; ++m) {
            std::size_t k = 0;
            for (int v = 0; v < vtcs; ++v)
                for (int j = 0; j < trialsUsed_[static_cast<std::size_t>(v)]; ++j)
                    trialValues[m][k++] = (*trialStore_[m])[v][j][r];
            pooledValues[m] = trialValues[m].data();
        }
        PooledMeasure pooled[kMeasureCount];
        poolSingleTrials(pooledValues, pooledTrials, confidence_, pooled);
        for (int m = 0; m < kMeasureCount; ++m)
            mapValues_[kMeasureCount + m][static_cast<std::size_t>(r)] = pooled[m].mean;
        if (voiMode())
            for (const std::string& line : singleTrialSummaryLines(confidence_, pooled)) host::log(line);
    }
    if (!results.commit())
        host::log(formatText("VOZU Rudoruz Ori> Cannot write file: %s", kAverageResultsName));
    if (!voiMode()) writeRegionVoxels();
}

void LatencyRun::writeRegionVoxels() {
    // In the voxel-wise modes "Region k" is the k-th selected voxel: this
    // table says which one.
    tl::AtomicFile table(kRegionVoxelsName);
    writeRegionVoxelTable(table.stream(), grid_, selected_);
    if (!table.commit()) {
        host::log(formatText("VOZU Rudoruz Ori> Cannot write file: %s", kRegionVoxelsName));
        return;
    }
    host::log(formatText("VOZU Rudoruz Ori> Voxel of every region (VTC and VMR coordinates): %s",
                         kRegionVoxelsName));
}

bool LatencyRun::buildMaps() {
    host::log(" ");
    host::log("// VOZU Rudoruz Ori> Initializing the VMR space for BLMs...");
    const int maps = singleTrial_ ? 2 * kMeasureCount : kMeasureCount;
    host::deleteMaps();
    if (!host::createMaps(maps)) {
        host::log("VOZU Rudoruz Ori> The host could not create the latency maps. Exiting plugin...");
        return false;
    }
    tl::NRVMPSetRecord set{};
    host::readMaps(set);

    ThresholdRange range;
    for (int m = 0; m < maps; ++m) {
        tl::NRVMPRecord record{};
        float* values = host::mapValues(m, record);
        if (!values) {
            host::log(formatText(
                "VOZU Rudoruz Ori> The host gave no access to latency map %i. Exiting plugin...", m + 1));
            return false;
        }
        if (record.name) {
            std::strncpy(record.name, kLatencyMapNames[m], tl::kMapNameCapacity - 1);
            record.name[tl::kMapNameCapacity - 1] = '\0';
        }
        fillLatencyMap(selected_, regionOf_, mapValues_[m].data(), values, grid_.voxelCount(), range);
        record.lowerThreshold = range.lower;
        record.upperThreshold = range.upper;
        host::setMapParameters(m, record);
    }
    return true;
}

void LatencyRun::askToSaveMaps() {
    std::string path;
    if (!host::askSaveFile("Choose a name for the BLM file :", "*.blm", path)) return;
    if (!host::saveMaps(path))
        host::log(formatText("VOZU Rudoruz Ori> Could not save the BLM file: %s", path.c_str()));
}

}  // namespace latency::plugin
