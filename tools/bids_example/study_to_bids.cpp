// talvora-study-to-bids: a generated study (VTC runs with their protocol and
// the regions' VOIs) written as a BIDS dataset: 4-D BOLD images with JSON
// sidecars and events tables, and the regions as a label image ("dseg") on
// the runs' grid with its label table. The images are stored left-right
// flipped (LAS, as FSL writes them) so a conversion back has to honour the
// affine.
//
//   talvora-study-to-bids --out DIR --sub ID --task NAME --voi REGIONS.voi RUN.vtc...
#include "host/formats/nifti_image.h"
#include "host/formats/protocol_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"

#include "frame/voi_convention.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

[[noreturn]] void fail(const std::string& why) {
    std::cerr << "talvora-study-to-bids: " << why << '\n';
    std::exit(2);
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) fail(path.string() + ": cannot write");
}

// Functional voxel (x, y, z) of the grid -> world mm: voxel size r, x
// flipped (LAS), the grid centred on the origin.
fmt::Affine gridAffine(const fmt::FunctionalGrid& g) {
    fmt::Affine a = fmt::Affine::Identity();
    const double r = g.resolution;
    a(0, 0) = -r;
    a(1, 1) = r;
    a(2, 2) = r;
    a(0, 3) = r * (g.dimX() - 1) / 2.0;
    a(1, 3) = -r * (g.dimY() - 1) / 2.0;
    a(2, 3) = -r * (g.dimZ() - 1) / 2.0;
    return a;
}

std::string seconds(std::int32_t ms) {
    std::ostringstream s;
    s << ms / 1000.0;
    return s.str();
}

// Rows condition by condition in the protocol's order (each in time order),
// so that the conversion back, which orders conditions by first appearance,
// numbers them as the protocol does.
std::string eventsTable(const fmt::ProtocolFile& prt, double trMs) {
    struct Row {
        double onsetMs, durationMs;
        std::string type;
    };
    std::vector<Row> rows;
    for (const auto& c : prt.conditions)
        for (std::size_t i = 0; i < c.starts.size(); ++i) {
            if (prt.timeUnit == fmt::ProtocolFile::TimeUnit::Milliseconds)
                rows.push_back({double(c.starts[i]), double(c.ends[i] - c.starts[i]), c.name});
            else  // volume v (from 1) starts at (v - 1) TR; the interval ends after its last volume
                rows.push_back({(c.starts[i] - 1) * trMs, (c.ends[i] - c.starts[i] + 1) * trMs, c.name});
        }
    std::string out = "onset\tduration\ttrial_type\n";
    for (const Row& r : rows)
        out += seconds(static_cast<std::int32_t>(r.onsetMs)) + "\t" +
               seconds(static_cast<std::int32_t>(r.durationMs)) + "\t" + r.type + "\n";
    return out;
}

void writeRun(const fs::path& func, const std::string& base, const fs::path& vtcPath) {
    const fmt::VtcFile vtc = fmt::readVtcFile(vtcPath);
    const fmt::VtcHeader& h = vtc.header;
    const std::size_t voxels = h.grid.voxelCount(), volumes = static_cast<std::size_t>(h.nrOfVolumes);
    std::vector<float> values(voxels * volumes);
    for (std::size_t v = 0; v < voxels; ++v)
        for (std::size_t t = 0; t < volumes; ++t)
            values[t * voxels + v] = h.floatData() ? vtc.floatValues[v * volumes + t]
                                                   : static_cast<float>(vtc.intValues[v * volumes + t]);
    // Stored x flipped: NIfTI voxel i holds grid column dimX - 1 - i.
    const int nx = h.grid.dimX();
    std::vector<float> flipped(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::size_t x = k % static_cast<std::size_t>(nx);
        flipped[k - x + (nx - 1 - x)] = values[k];
    }
    fmt::NiftiOutput image;
    image.size = {nx, h.grid.dimY(), h.grid.dimZ(), static_cast<std::int64_t>(volumes)};
    image.affine = gridAffine(h.grid);
    image.trSeconds = h.tr / 1000.0;
    image.description = "from " + vtcPath.filename().string();
    fmt::writeNiftiImage(func / (base + "_bold.nii.gz"), image, flipped);
    std::ostringstream json;
    json << "{\n  \"RepetitionTime\": " << h.tr / 1000.0 << ",\n  \"TaskName\": \"study\"\n}\n";
    writeText(func / (base + "_bold.json"), json.str());
    if (h.hasProtocol) {
        const fs::path prtPath = vtcPath.parent_path() / h.protocolName;
        writeText(func / (base + "_events.tsv"), eventsTable(fmt::readProtocolFile(prtPath), h.tr));
    }
}

// One label per VOI (its number from 1) on the run grid, a functional voxel
// taking the label of the VOI voxels the plug-ins map into it.
void writeAtlas(const fs::path& anat, const std::string& base, const fs::path& voiPath,
                const fmt::FunctionalGrid& g) {
    const fmt::VoiFile vois = fmt::readVoiFile(voiPath);
    const int nx = g.dimX(), ny = g.dimY(), nz = g.dimZ();
    std::vector<float> labels(g.voxelCount(), 0.0f);
    std::string table = "index\tname\n";
    auto cell = [&](int c, int start, int dim) {
        return std::clamp(static_cast<int>(std::floor((c - start) / double(g.resolution) + 0.5)), 0, dim - 1);
    };
    for (std::size_t v = 0; v < vois.vois.size(); ++v) {
        const auto& voi = vois.vois[v];
        for (std::size_t i = 0; i + 2 < voi.coords.size(); i += 3) {
            const auto p =
                tl::voiVoxelToVolume(vois.convention, voi.coords[i], voi.coords[i + 1], voi.coords[i + 2]);
            const int x = cell(p[0], g.xStart, nx), y = cell(p[1], g.yStart, ny),
                      z = cell(p[2], g.zStart, nz);
            labels[(static_cast<std::size_t>(z) * ny + y) * nx + (nx - 1 - x)] = static_cast<float>(v + 1);
        }
        table += std::to_string(v + 1) + "\t" + voi.name + "\n";
    }
    fmt::NiftiOutput image;
    image.size = {nx, ny, nz, 1};
    image.affine = gridAffine(g);
    image.asUint8 = vois.vois.size() < 256;
    image.description = "regions of " + voiPath.filename().string();
    fmt::writeNiftiImage(anat / (base + "_dseg.nii.gz"), image, labels);
    writeText(anat / (base + "_dseg.tsv"), table);
}

}  // namespace

int main(int argc, char** argv) {
    fs::path out, voi;
    std::string sub = "01", task = "study";
    std::vector<fs::path> runs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) fail(a + " needs a value");
            return argv[++i];
        };
        if (a == "--out")
            out = next();
        else if (a == "--sub")
            sub = next();
        else if (a == "--task")
            task = next();
        else if (a == "--voi")
            voi = next();
        else if (!a.empty() && a[0] == '-')
            fail("unknown option " + a + " (options: --out DIR, --sub ID, --task NAME, --voi REGIONS.voi)");
        else
            runs.push_back(a);
    }
    if (out.empty() || runs.empty())
        fail("usage: --out DIR [--sub ID] [--task NAME] [--voi REGIONS.voi] RUN.vtc...");
    try {
        const fs::path func = out / ("sub-" + sub) / "func", anat = out / ("sub-" + sub) / "anat";
        fs::create_directories(func);
        // A BIDS dataset is recognised by its description; several calls add
        // participants to one dataset, so an existing one is kept.
        if (!fs::exists(out / "dataset_description.json"))
            writeText(out / "dataset_description.json",
                      "{\n  \"Name\": \"Generated study\",\n  \"BIDSVersion\": \"1.8.0\",\n"
                      "  \"DatasetType\": \"raw\"\n}\n");
        for (std::size_t r = 0; r < runs.size(); ++r)
            writeRun(func, "sub-" + sub + "_task-" + task + "_run-" + std::to_string(r + 1), runs[r]);
        if (!voi.empty()) {
            fs::create_directories(anat);
            writeAtlas(anat, "sub-" + sub + "_task-" + task, voi, fmt::readVtcHeader(runs[0]).grid);
        }
    } catch (const std::exception& e) {
        fail(e.what());
    }
    std::cout << "BIDS data written to " << out.string() << '\n';
    return 0;
}
