#include "granger/core/surrogates.h"

#include "granger/core/gcm_random.h"

#include <cmath>

namespace granger::core {

void polarNormals(int count, float* out) {
    int i = 0;
    while (i < count) {
        double u, v, w;
        do {
            u = 2.0 * gcmRand() / kRandMax - 1.0;
            v = 2.0 * gcmRand() / kRandMax - 1.0;
            w = u * u + v * v;
        } while (w >= 1.0 || w == 0.0);
        const double f = std::sqrt(-2.0 * std::log(w) / w);
        out[i++] = static_cast<float>(u * f);
        if (i < count) out[i++] = static_cast<float>(v * f);
    }
}

std::vector<float> simulateSurrogates(const std::vector<float>& a, float variance, int nrOfSeries, int length,
                                      int discarded, long long clockSeconds) {
    const int p = static_cast<int>(a.size());
    const int total = discarded + length;
    std::vector<float> out(static_cast<std::size_t>(nrOfSeries) * static_cast<std::size_t>(length));
    std::vector<float> x(static_cast<std::size_t>(total));
    const float sigma = std::sqrt(variance);
    for (int s = 0; s < nrOfSeries; ++s) {
        gcmSrand(static_cast<std::uint32_t>(clockSeconds + s));
        polarNormals(total, x.data());
        for (float& v : x) v *= sigma;
        for (int t = p; t < total; ++t) {
            float acc = x[static_cast<std::size_t>(t)];
            for (int k = 1; k <= p; ++k)
                acc += a[static_cast<std::size_t>(k - 1)] * x[static_cast<std::size_t>(t - k)];
            x[static_cast<std::size_t>(t)] = acc;
        }
        std::copy(x.begin() + discarded, x.end(), out.begin() + static_cast<std::ptrdiff_t>(s) * length);
    }
    return out;
}

}  // namespace granger::core
