// talvora-bids-distortion-summary BIDS_DIR OUTPUT_DIR: per participant of the
// generated BIDS study, the field talvora-bids recovered from the AP/PA pair
// against the generator's true field inside the phantom's object: the mean
// and median absolute error in Hz and in voxels of displacement, beside the
// size of the true displacement (the error without correction), and the
// correlation of the pair's two series before and after undistortion.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <nlohmann/json.hpp>

#include "host/formats/nifti_image.h"

namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

struct Summary {
    double mean = 0, median = 0;
};

Summary summary(std::vector<double> values) {
    if (values.empty()) return {};
    double sum = 0;
    for (double v : values) sum += v;
    std::sort(values.begin(), values.end());
    return {sum / values.size(), values[values.size() / 2]};
}

double correlation(const std::vector<float>& a, const std::vector<float>& b, const std::vector<float>& mask) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == 0.0f) continue;
        sa += a[i], sb += b[i], saa += double(a[i]) * a[i], sbb += double(b[i]) * b[i],
            sab += double(a[i]) * b[i];
        n += 1;
    }
    return (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
}

// The two series of the pair agree better once undistorted.
void similarity(const fs::path& bids, const fs::path& out, const std::string& sub,
                const nlohmann::json& field, const std::vector<float>& mask) {
    std::vector<float> before[2], after[2];
    int k = 0;
    for (const char* direction : {"j-", "j"}) {
        const std::string relative =
            field.at("series").at(direction).get<std::string>().substr(6);  // "bids::"
        std::string name = fs::path(relative).filename().string();
        name.replace(name.rfind("_epi.nii.gz"), std::string::npos, "_desc-undistorted_epi.nii.gz");
        before[k] = fmt::readNiftiImage(bids / relative).values;
        after[k] = fmt::readNiftiImage(out / sub / "fmap" / name).values;
        if (before[k].size() != mask.size() || after[k].size() != mask.size())
            throw std::runtime_error(sub + ": the EPI series are not on the grid of the truth");
        ++k;
    }
    std::printf("    correlation of the AP and PA series inside the object before: %.4f, after: %.4f\n",
                correlation(before[0], before[1], mask), correlation(after[0], after[1], mask));
}

void summarise(const fs::path& bids, const fs::path& out, const std::string& sub,
               const nlohmann::json& truth) {
    const auto& field = truth.at("field_map");
    const double readout = field.at("TotalReadoutTime").get<double>();
    const auto file = [&](const char* key) { return bids / field.at("files").at(key).get<std::string>(); };
    const auto estimate = fmt::readNiftiImage(out / sub / "fmap" / (sub + "_desc-pepolar_fieldmap.nii.gz"));
    const auto hz = fmt::readNiftiImage(file("field_hz"));
    const auto displacement = fmt::readNiftiImage(file("displacement_voxels"));
    const auto mask = fmt::readNiftiImage(file("object_mask"));
    if (estimate.values.size() != mask.values.size())
        throw std::runtime_error(sub + ": the field map is not on the grid of the truth");
    std::vector<double> hzError, voxelError, uncorrected;
    for (std::size_t i = 0; i < mask.values.size(); ++i) {
        if (mask.values[i] == 0.0f) continue;
        hzError.push_back(std::fabs(estimate.values[i] - hz.values[i]));
        // The truth's displacement is that of the series encoded along j-,
        // which a field f moves by f x TotalReadoutTime towards -j.
        voxelError.push_back(std::fabs(-estimate.values[i] * readout - displacement.values[i]));
        uncorrected.push_back(std::fabs(displacement.values[i]));
    }
    const Summary h = summary(hzError), v = summary(voxelError), none = summary(uncorrected);
    std::printf(
        "  %s (peak %.0f voxels, %zu voxels in the object): field error mean %.2f Hz, median %.2f Hz; "
        "displacement error mean %.3f, median %.3f voxels (true displacement mean %.3f, median %.3f)\n",
        sub.c_str(), field.at("peak_displacement_voxels").get<double>(), hzError.size(), h.mean, h.median,
        v.mean, v.median, none.mean, none.median);
    similarity(bids, out, sub, field, mask.values);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: talvora-bids-distortion-summary BIDS_DIR OUTPUT_DIR\n";
        return 2;
    }
    try {
        std::ifstream in(fs::path(argv[1]) / "truth.json");
        const auto truth = nlohmann::json::parse(in);
        for (const auto& [sub, participant] : truth.items())
            if (participant.contains("field_map")) summarise(argv[1], argv[2], sub, participant);
    } catch (const std::exception& e) {
        std::cerr << "talvora-bids-distortion-summary: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
