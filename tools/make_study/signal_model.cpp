#include "tools/make_study/signal_model.h"

#include <cmath>

namespace study {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

double GaussianNoise::uniform() {
    // 53 random bits scaled to [0, 1).
    return static_cast<double>(engine_() >> 11) * (1.0 / 9007199254740992.0);
}

double GaussianNoise::next() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    double u1 = 0.0;
    while (u1 <= 0.0) u1 = uniform();
    const double u2 = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 2.0 * kPi * u2;
    spare_ = radius * std::sin(angle);
    haveSpare_ = true;
    return radius * std::cos(angle);
}

std::vector<float> voxelBaselines(const StudyDesign& d) {
    GaussianNoise anatomy(d.options.seed * 0x9E3779B97F4A7C15ULL + 17);
    std::vector<float> baselines(d.voxelCount());
    for (float& b : baselines) b = static_cast<float>(1000.0 * (0.9 + 0.2 * anatomy.uniform()));
    return baselines;
}

std::vector<std::vector<double>> regionResponses(const StudyDesign& d) {
    std::vector<std::vector<double>> responses;
    for (const Region& region : d.regions) {
        std::vector<double> r(static_cast<std::size_t>(d.nrOfVolumes), 0.0);
        for (int t = 0; t < d.nrOfVolumes; ++t)
            for (int onset : d.onsetsMs)
                r[static_cast<std::size_t>(t)] +=
                    trapezoidValue(region.response, static_cast<double>(t) * d.options.trMs - onset);
        responses.push_back(std::move(r));
    }
    return responses;
}

std::vector<float> simulateRun(const StudyDesign& d, int run, const std::vector<float>& baselines,
                               const std::vector<std::vector<double>>& responses) {
    GaussianNoise noise((d.options.seed + 1) * 0xD1B54A32D192ED03ULL +
                        static_cast<std::uint64_t>(run) * 7919);
    double meanAmplitude = 0.0;
    for (const Region& r : d.regions) meanAmplitude += r.response.amplitudePsc;
    meanAmplitude /= static_cast<double>(d.regions.size());
    const bool noisy = d.options.snr > 0.0;
    const std::size_t volumes = static_cast<std::size_t>(d.nrOfVolumes);
    std::vector<float> data(d.voxelCount() * volumes);
    for (int z = 0; z < d.dimZ(); ++z)
        for (int y = 0; y < d.dimY(); ++y)
            for (int x = 0; x < d.dimX(); ++x) {
                const std::size_t v = d.voxelIndex(x, y, z);
                const int region = d.regionOf(x, y, z);
                const double base = baselines[v];
                const double amplitude =
                    region >= 0 ? d.regions[static_cast<std::size_t>(region)].response.amplitudePsc
                                : meanAmplitude;
                const double sigma = noisy ? base * amplitude / 100.0 / d.options.snr : 0.0;
                float* out = &data[v * volumes];
                for (std::size_t t = 0; t < volumes; ++t) {
                    double value = base;
                    if (region >= 0)
                        value += base * amplitude / 100.0 * responses[static_cast<std::size_t>(region)][t];
                    if (noisy) value += sigma * noise.next();
                    out[t] = static_cast<float>(value);
                }
            }
    return data;
}

}  // namespace study
