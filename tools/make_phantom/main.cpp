// talvora-make-phantom: pairs of opposite phase-encoded series of a
// head-like phantom with a known displacement field, as FMR and DMR
// projects, with the true displacement map, the object mask and job files.
#include "tools/make_phantom/phantom_model.h"

#include "host/formats/nifti_image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using phantom::Grid;

namespace {

void fail(const std::string& why) {
    std::cerr << "talvora-make-phantom: " << why << '\n';
    std::exit(2);
}

void writeBytes(const fs::path& p, const std::string& bytes) {
    const fs::path part = p.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary);
        out << bytes;
        if (!out) fail(p.string() + ": cannot write");
    }
    fs::rename(part, p);
}

template <class T>
void put(std::string& s, T v) {
    char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    s.append(b, sizeof(T));
}

// The host's ".map" layout with one map.
void writeMap(const fs::path& p, const Grid& g, const std::vector<float>& v, const std::string& name) {
    std::string s;
    put<std::uint16_t>(s, 1);
    put<std::uint16_t>(s, static_cast<std::uint16_t>(g.nz));
    put<std::uint16_t>(s, static_cast<std::uint16_t>(g.ny));
    put<std::uint16_t>(s, static_cast<std::uint16_t>(g.nx));
    put<std::uint16_t>(s, 1);
    put<float>(s, 1.0f);
    put<float>(s, 5.0f);
    put<std::uint16_t>(s, 1);
    put<std::uint16_t>(s, 0);
    s += name;
    s.push_back('\0');
    const std::size_t plane = static_cast<std::size_t>(g.nx) * g.ny;
    for (int z = 0; z < g.nz; ++z) {
        put<std::uint16_t>(s, static_cast<std::uint16_t>(z));
        s.append(reinterpret_cast<const char*>(v.data() + z * plane), plane * sizeof(float));
    }
    writeBytes(p, s);
}

std::string entry(const std::string& key, const std::string& value) {
    std::string k = key + ":";
    if (k.size() < 30)
        k.resize(30, ' ');
    else
        k += ' ';
    return k + value + "\n";
}

std::string header(bool dmr, const Grid& g, int volumes, const std::string& prefix, bool floats) {
    std::ostringstream h;
    h << "\n"
      << entry("FileVersion", dmr ? "3" : "7") << entry("NrOfVolumes", std::to_string(volumes))
      << entry("NrOfSlices", std::to_string(g.nz)) << entry("NrOfSkippedVolumes", "0")
      << entry("Prefix", "\"" + prefix + "\"") << entry("DataStorageFormat", dmr ? "3" : "1")
      << entry("DataType", floats ? "2" : "1") << entry("TR", "2000") << entry("InterSliceTime", "90")
      << entry("TimeResolutionVerified", "1") << entry("TE", "30") << entry("SliceAcquisitionOrder", "1")
      << entry("SliceAcquisitionOrderVerified", "1") << entry("ResolutionX", std::to_string(g.nx))
      << entry("ResolutionY", std::to_string(g.ny)) << entry("LoadAMRFile", "\"" + prefix + "_firstvol.amr\"")
      << entry("ShowAMRFile", "1") << entry("ImageIndex", "0") << entry("LayoutNColumns", "5")
      << entry("LayoutNRows", "4") << entry("LayoutZoomLevel", "1") << entry("SegmentSize", "10")
      << entry("SegmentOffset", "0") << entry(dmr ? "DisplayVolume" : "NrOfLinkedProtocols", "0")
      << entry("ProtocolFile", "") << entry("InplaneResolutionX", "3") << entry("InplaneResolutionY", "3")
      << entry("SliceThickness", "3") << entry("SliceGap", "0.5") << entry("VoxelResolutionVerified", "1")
      << "\n"
      << "\nPositionInformationFromImageHeaders\n\n"
      << entry("PosInfosVerified", "0") << entry("NrOfPastSpatialTransformations", "0") << "\n\n"
      << entry("LeftRightConvention", "1") << "\n\n"
      << entry("FirstDataSourceFile", "phantom") << "\n";
    if (dmr) {
        h << entry("GradientDirectionsVerified", "YES") << entry("GradientXDirInterpretation", "2")
          << entry("GradientYDirInterpretation", "-1") << entry("GradientZDirInterpretation", "3")
          << entry("GradientInformationAvailable", "YES");
        for (int t = 0; t < volumes; ++t) {
            const double a = 2.399963 * t;
            h << (t == 0 ? 0.0 : std::cos(a) * 0.6) << ' ' << (t == 0 ? 0.0 : std::sin(a) * 0.6) << ' '
              << (t == 0 ? 0.0 : 0.8) << ' ' << (t == 0 ? 0 : 1000) << '\n';
        }
    } else {
        h << entry("MultibandSequence", "0") << "\n"
          << entry("SliceTimingTableSize", "0") << "AcqusitionTime:\tNA\n";
    }
    return h.str();
}

// volumes[t][voxel]; STC holds slice, volume, row, column; DWI volume, slice.
void writeProject(const fs::path& dir, const std::string& name, bool dmr, bool floats, const Grid& g,
                  const std::vector<std::vector<float>>& volumes) {
    writeBytes(dir / (name + (dmr ? ".dmr" : ".fmr")),
               header(dmr, g, static_cast<int>(volumes.size()), name, floats));
    std::string data;
    const std::size_t plane = static_cast<std::size_t>(g.nx) * g.ny;
    auto putPlane = [&](const std::vector<float>& v, int z) {
        for (std::size_t i = 0; i < plane; ++i) {
            const float value = v[z * plane + i];
            if (floats)
                put<float>(data, value);
            else
                put<std::int16_t>(data, static_cast<std::int16_t>(std::lround(std::min(32767.0f, value))));
        }
    };
    const int nt = static_cast<int>(volumes.size());
    if (dmr) {
        for (int t = 0; t < nt; ++t)
            for (int z = 0; z < g.nz; ++z) putPlane(volumes[t], z);
    } else {
        for (int z = 0; z < g.nz; ++z)
            for (int t = 0; t < nt; ++t) putPlane(volumes[t], z);
    }
    writeBytes(dir / (name + (dmr ? ".dwi" : ".stc")), data);
}

std::string estimateJob(const std::string& file0, const std::string& file1, bool rllr, bool ssd, bool ic) {
    std::ostringstream j;
    j << "{\n  \"plugin\": \"Mirel_r122\",\n  \"documents\": {\"fmr\": \"" << file0 << "\"},\n"
      << "  \"commands\": [{\"command\": \"estimate\", \"parameters\": {\"file0\": \"" << file0
      << "\", \"file1\": \"" << file1 << "\", \"volume0\": 0, \"volume1\": 0, \"rllr\": " << rllr
      << ", \"use_ic\": " << ic << ", \"use_ssd\": " << ssd
      << ", \"apply_to_input\": 1, \"save_derivative\": 1, \"order\": 0},"
      << " \"print\": [\"vdm\"]}]\n}\n";
    return j.str();
}

// The pair as BIDS field-map EPI images with sidecars: the same values as
// the projects (the first series rounded as its 16-bit project stores them),
// voxel axes taken as RAS, so AP runs along -j and LR along +i.
void writeBidsPair(const fs::path& dir, const Grid& g, int axis, std::vector<std::vector<float>> first,
                   const std::vector<std::vector<float>>& second) {
    const fs::path fmap = dir / "bids" / "sub-phantom" / "fmap";
    fs::create_directories(fmap);
    for (auto& volume : first)
        for (float& v : volume) v = static_cast<float>(std::lround(std::min(32767.0f, v)));
    talvora::formats::NiftiOutput image;
    image.size = {g.nx, g.ny, g.nz, static_cast<std::int64_t>(first.size())};
    image.affine.setIdentity();
    image.affine(0, 0) = image.affine(1, 1) = 3.0;
    image.affine(2, 2) = 3.5;
    image.affine.block<3, 1>(0, 3) << -1.5 * (g.nx - 1), -1.5 * (g.ny - 1), -1.75 * (g.nz - 1);
    image.trSeconds = 2.0;
    const std::string names[2] = {axis == 1 ? "AP" : "LR", axis == 1 ? "PA" : "RL"};
    const std::string directions[2] = {axis == 1 ? "j-" : "i", axis == 1 ? "j" : "i-"};
    const std::vector<std::vector<float>>* series[2] = {&first, &second};
    for (int k = 0; k < 2; ++k) {
        std::vector<float> values;
        for (const auto& volume : *series[k]) values.insert(values.end(), volume.begin(), volume.end());
        const std::string base = "sub-phantom_dir-" + names[k] + "_epi";
        talvora::formats::writeNiftiImage(fmap / (base + ".nii.gz"), image, values);
        writeBytes(fmap / (base + ".json"),
                   "{\n  \"PhaseEncodingDirection\": \"" + directions[k] +
                       "\",\n  \"TotalReadoutTime\": 0.05,\n  \"RepetitionTime\": 2.0\n}\n");
    }
}

void makeSet(const fs::path& out, const std::string& name, const Grid& g, double peak, int axis, int volumes,
             bool withDmr, bool bids) {
    const fs::path dir = out / name;
    fs::create_directories(dir);
    std::vector<std::vector<float>> first, second;
    for (int t = 0; t < volumes; ++t) {
        const float gain = 1.0f + 0.01f * static_cast<float>(t % 3);
        first.push_back(phantom::series(g, peak, axis, +1, gain));
        second.push_back(phantom::series(g, peak, axis, -1, gain));
    }
    const std::string a = axis == 1 ? "run_ap" : "run_lr", b = axis == 1 ? "run_pa" : "run_rl";
    writeProject(dir, a, false, false, g, first);  // 16-bit
    writeProject(dir, b, false, true, g, second);  // float
    if (bids) writeBidsPair(dir, g, axis, first, second);
    if (withDmr) {
        writeProject(dir, "dwi_ap", true, true, g, first);
        writeProject(dir, "dwi_pa", true, true, g, second);
    }
    writeMap(dir / "truth_vdm.map", g, phantom::trueDisplacement(g, peak, axis), "true displacement of " + a);
    writeMap(dir / "object_mask.map", g, phantom::objectMask(g), "object");
    const bool rllr = axis == 0;
    writeBytes(dir / "job_estimate.json", estimateJob(a + ".fmr", b + ".fmr", rllr, true, false));
    writeBytes(dir / "job_estimate_ncc_ic.json", estimateJob(a + ".fmr", b + ".fmr", rllr, false, true));
    if (!withDmr) return;
    writeBytes(dir / "batch.txt", a + ".fmr\n" + b + ".fmr\ndwi_ap.dmr\n");
    std::ostringstream j;
    j << "{\n  \"plugin\": \"Mirel_r122\",\n  \"documents\": {\"fmr\": \"" << a << ".fmr\"},\n"
      << "  \"answers\": [\"" << a << ".fmr\"],\n  \"commands\": [\n"
      << "    {\"command\": \"select_fmr_or_dmr\", \"print\": [\"filename\", \"nr_of_volumes\", \"display_volume\"]},\n"
      << "    {\"command\": \"readbatchfile\", \"parameters\": {\"batchfilename\": \"batch.txt\"}, \"print\": "
         "[\"filenames\"]},\n"
      << "    {\"command\": \"check\", \"parameters\": {\"files\": \"" << a << ".fmr\\n"
      << b << ".fmr\\ndwi_ap.dmr\"}},\n"
      << "    {\"command\": \"estimate\", \"parameters\": {\"file0\": \"dwi_ap.dmr\", \"file1\": \"dwi_pa.dmr\", "
         "\"volume0\": 1, \"volume1\": 1, \"rllr\": 0, \"use_ic\": 0, \"use_ssd\": 1, \"apply_to_input\": 0, "
         "\"save_derivative\": 0, \"order\": 0}, \"print\": [\"vdm\"]},\n"
      << "    {\"command\": \"apply\", \"parameters\": {\"vdm\": \"dwi_ap_vdm.map\", \"rllr\": 0, \"files\": \""
      << a << ".fmr\\ndwi_ap.dmr\"}}\n  ]\n}\n";
    writeBytes(dir / "job_commands.json", j.str());
}

}  // namespace

int main(int argc, char** argv) {
    fs::path out;
    Grid g{48, 57, 15};
    int volumes = 3;
    bool small = false, bids = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) fail(a + " needs a value");
            return argv[++i];
        };
        if (a == "--out")
            out = next();
        else if (a == "--size") {
            std::istringstream s(next());
            char x1, x2;
            if (!(s >> g.nx >> x1 >> g.ny >> x2 >> g.nz) || g.nx < 8 || g.ny < 8 || g.nz < 3 || g.nx > 512 ||
                g.ny > 512 || g.nz > 512)
                fail("--size takes NXxNYxNZ, each from 8 (3 for NZ) to 512");
        } else if (a == "--volumes")
            volumes = std::stoi(next());
        else if (a == "--small")
            small = true;
        else if (a == "--bids")
            bids = true;
        else
            fail("unknown option " + a +
                 " (options: --out DIR, --size NXxNYxNZ, --volumes N, --small, --bids)");
    }
    if (out.empty()) fail("--out DIR is required");
    if (volumes < 1 || volumes > 1000) fail("--volumes must lie between 1 and 1000");
    fs::create_directories(out);
    if (small) {
        makeSet(out, "ap_pa_sev5", g, 5.0, 1, volumes, true, bids);
    } else {
        makeSet(out, "ap_pa_sev2", g, 2.0, 1, volumes, false, false);
        makeSet(out, "ap_pa_sev5", g, 5.0, 1, volumes, true, bids);
        makeSet(out, "ap_pa_sev8", g, 8.0, 1, volumes, false, false);
        makeSet(out, "lr_rl_sev5", g, 5.0, 0, volumes, false, bids);
    }
    std::cout << "phantom written to " << out.string() << '\n';
    return 0;
}
