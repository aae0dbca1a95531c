#include "tools/make_study/deconvolution_glm.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace study {
namespace {

// Lower-triangular Cholesky factor of a symmetric positive definite matrix.
class Cholesky {
public:
    Cholesky(std::vector<double> a, int n) : l_(std::move(a)), n_(n) {
        for (int j = 0; j < n; ++j) {
            double d = l_[idx(j, j)];
            for (int k = 0; k < j; ++k) d -= l_[idx(j, k)] * l_[idx(j, k)];
            if (!(d > 1e-12)) throw std::runtime_error("the design matrix is singular");
            l_[idx(j, j)] = std::sqrt(d);
            for (int i = j + 1; i < n; ++i) {
                double s = l_[idx(i, j)];
                for (int k = 0; k < j; ++k) s -= l_[idx(i, k)] * l_[idx(j, k)];
                l_[idx(i, j)] = s / l_[idx(j, j)];
            }
        }
    }
    std::vector<double> solve(std::vector<double> b) const {
        for (int i = 0; i < n_; ++i) {
            for (int k = 0; k < i; ++k) b[i] -= l_[idx(i, k)] * b[k];
            b[i] /= l_[idx(i, i)];
        }
        for (int i = n_ - 1; i >= 0; --i) {
            for (int k = i + 1; k < n_; ++k) b[i] -= l_[idx(k, i)] * b[k];
            b[i] /= l_[idx(i, i)];
        }
        return b;
    }

private:
    std::size_t idx(int i, int j) const { return static_cast<std::size_t>(i) * n_ + j; }
    std::vector<double> l_;
    int n_;
};

constexpr std::size_t kMaxGlmValues = std::size_t(1) << 28;  // 1 GiB of floats

}  // namespace

std::vector<double> solveSymmetric(std::vector<double> a, std::vector<double> b, int n) {
    return Cholesky(std::move(a), n).solve(std::move(b));
}

DeconvolutionGlm::DeconvolutionGlm(const StudyDesign& design, bool separate)
    : design_(design), separate_(separate), lags_(design.deconvolutionPoints), runs_(design.options.vtcs) {
    for (int onset : design.onsetsMs) onsetVolumes_.push_back(onset / design.options.trMs);
    const int p = lags_ + 1;
    const int volumes = design.nrOfVolumes;
    // One run's design: lag k is 1 at onset volume + k; the last column is the constant.
    std::vector<std::vector<double>> columns(static_cast<std::size_t>(p),
                                             std::vector<double>(static_cast<std::size_t>(volumes), 0.0));
    for (int k = 0; k < lags_; ++k)
        for (int o : onsetVolumes_)
            if (o + k < volumes) columns[static_cast<std::size_t>(k)][static_cast<std::size_t>(o + k)] = 1.0;
    std::fill(columns.back().begin(), columns.back().end(), 1.0);
    runGram_.assign(static_cast<std::size_t>(p) * p, 0.0);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j)
            runGram_[static_cast<std::size_t>(i) * p + j] =
                std::inner_product(columns[i].begin(), columns[i].end(), columns[j].begin(), 0.0);

    glm_.nrOfStudies = runs_;
    glm_.separatePredictors = separate ? 1 : 0;
    glm_.nrOfPredictors = separate ? runs_ * lags_ + runs_ : lags_ + runs_;
    glm_.grid = design.grid;
    const std::size_t voxels = design.voxelCount();
    if (glm_.nrOfMaps() * voxels > kMaxGlmValues)
        throw std::invalid_argument(
            "the GLM would hold more than 2^28 values; use fewer --vtcs, smaller --dims or --no-glm");
    glm_.maps.assign(glm_.nrOfMaps() * voxels, 0.0f);
    tss_.assign(voxels, 0.0);
    rss_.assign(voxels, 0.0);
    yty_.assign(voxels, 0.0);
    if (!separate) sharedXty_.assign(voxels * static_cast<std::size_t>(lags_ + runs_), 0.0);
}

void DeconvolutionGlm::crossProducts(const float* y, std::vector<double>& xty, double& sum,
                                     double& sumSquares) const {
    const int volumes = design_.nrOfVolumes;
    sum = 0.0;
    sumSquares = 0.0;
    for (int t = 0; t < volumes; ++t) {
        sum += y[t];
        sumSquares += static_cast<double>(y[t]) * y[t];
    }
    for (int k = 0; k < lags_; ++k) {
        double s = 0.0;
        for (int o : onsetVolumes_)
            if (o + k < volumes) s += y[o + k];
        xty[static_cast<std::size_t>(k)] = s;
    }
    xty[static_cast<std::size_t>(lags_)] = sum;
}

void DeconvolutionGlm::addRun(int run, const std::vector<float>& data) {
    const std::size_t voxels = design_.voxelCount();
    const std::size_t volumes = static_cast<std::size_t>(design_.nrOfVolumes);
    const int p = lags_ + 1;
    const Cholesky runFactor(runGram_, p);
    std::vector<double> xty(static_cast<std::size_t>(p));
    for (std::size_t v = 0; v < voxels; ++v) {
        double sum = 0.0, sumSquares = 0.0;
        crossProducts(&data[v * volumes], xty, sum, sumSquares);
        tss_[v] += sumSquares - sum * sum / static_cast<double>(volumes);
        yty_[v] += sumSquares;
        if (separate_) {
            const std::vector<double> beta = runFactor.solve(xty);
            const double constant = beta[static_cast<std::size_t>(lags_)];
            for (int k = 0; k < lags_; ++k)
                glm_.maps[(2 + static_cast<std::size_t>(run * lags_ + k)) * voxels + v] =
                    static_cast<float>(100.0 * beta[static_cast<std::size_t>(k)] / constant);
            glm_.maps[(2 + static_cast<std::size_t>(runs_ * lags_ + run)) * voxels + v] =
                static_cast<float>(constant);
            rss_[v] += sumSquares - std::inner_product(beta.begin(), beta.end(), xty.begin(), 0.0);
        } else {
            double* shared = &sharedXty_[v * static_cast<std::size_t>(lags_ + runs_)];
            for (int k = 0; k < lags_; ++k) shared[k] += xty[static_cast<std::size_t>(k)];
            shared[lags_ + run] += sum;
        }
    }
    ++added_;
}

talvora::formats::GlmFile DeconvolutionGlm::finish() {
    if (added_ != runs_) throw std::logic_error("every run must be added before the GLM is finished");
    const std::size_t voxels = design_.voxelCount();
    const double volumes = design_.nrOfVolumes;
    if (!separate_) {
        // Joint design: lag predictors shared by all runs, one constant per run.
        const int n = lags_ + runs_;
        const int p = lags_ + 1;
        std::vector<double> gram(static_cast<std::size_t>(n) * n, 0.0);
        for (int i = 0; i < lags_; ++i)
            for (int j = 0; j < lags_; ++j)
                gram[static_cast<std::size_t>(i) * n + j] =
                    runs_ * runGram_[static_cast<std::size_t>(i) * p + j];
        for (int r = 0; r < runs_; ++r) {
            for (int k = 0; k < lags_; ++k) {
                const double c = runGram_[static_cast<std::size_t>(k) * p + lags_];
                gram[static_cast<std::size_t>(k) * n + lags_ + r] = c;
                gram[static_cast<std::size_t>(lags_ + r) * n + k] = c;
            }
            gram[static_cast<std::size_t>(lags_ + r) * n + lags_ + r] = volumes;
        }
        const Cholesky factor(gram, n);
        for (std::size_t v = 0; v < voxels; ++v) {
            const double* xtyBegin = &sharedXty_[v * static_cast<std::size_t>(n)];
            std::vector<double> xty(xtyBegin, xtyBegin + n);
            const std::vector<double> beta = factor.solve(xty);
            double meanConstant = 0.0;
            for (int r = 0; r < runs_; ++r) meanConstant += beta[static_cast<std::size_t>(lags_ + r)] / runs_;
            for (int k = 0; k < lags_; ++k)
                glm_.maps[(2 + static_cast<std::size_t>(k)) * voxels + v] =
                    static_cast<float>(100.0 * beta[static_cast<std::size_t>(k)] / meanConstant);
            for (int r = 0; r < runs_; ++r)
                glm_.maps[(2 + static_cast<std::size_t>(lags_ + r)) * voxels + v] =
                    static_cast<float>(beta[static_cast<std::size_t>(lags_ + r)]);
            rss_[v] = yty_[v] - std::inner_product(beta.begin(), beta.end(), xty.begin(), 0.0);
        }
    }
    const double observations = volumes * runs_;
    const double dof = std::max(1.0, observations - glm_.nrOfPredictors);
    for (std::size_t v = 0; v < voxels; ++v) {
        const double rss = std::max(0.0, rss_[v]);
        glm_.maps[v] = tss_[v] > 0.0 ? static_cast<float>(1.0 - rss / tss_[v]) : 0.0f;
        glm_.maps[voxels + v] = static_cast<float>(std::sqrt(rss / dof));
    }
    return glm_;
}

}  // namespace study
