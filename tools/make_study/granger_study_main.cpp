// talvora-make-gcm-study: writes a Granger causality study with known truth.
#include "tools/make_study/granger_study.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int usage() {
    std::cerr
        << "usage: talvora-make-gcm-study [--out DIR] [--subjects N] [--dims X Y Z] [--volumes V] [--tr MS]\n"
           "                              [--seed N] [--16bit] [--voi-coords volume|reference]\n";
    return 2;
}

bool number(const char* text, int lo, int hi, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    study::GrangerStudyOptions o;
    std::string out = "gcm-study";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](int lo, int hi, int& v) { return i + 1 < argc && number(argv[++i], lo, hi, v); };
        int seed = 0;
        if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--subjects") {
            if (!next(1, 99, o.subjects)) return usage();
        } else if (a == "--dims") {
            if (!next(3, 85, o.dimX) || !next(2, 85, o.dimY) || !next(1, 85, o.dimZ)) return usage();
        } else if (a == "--volumes") {
            if (!next(40, 10000, o.volumes)) return usage();
        } else if (a == "--tr") {
            if (!next(100, 10000, o.trMs)) return usage();
        } else if (a == "--seed") {
            if (!next(0, 1 << 30, seed)) return usage();
            o.seed = static_cast<std::uint32_t>(seed);
        } else if (a == "--16bit") {
            o.sixteenBit = true;
        } else if (a == "--voi-coords" && i + 1 < argc) {
            const std::string c = argv[++i];
            if (c != "volume" && c != "reference") return usage();
            o.referenceVoiCoords = c == "reference";
        } else {
            return usage();
        }
    }
    try {
        study::writeGrangerStudy(o, out, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "talvora-make-gcm-study: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
