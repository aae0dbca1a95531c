// A fresh host for each test: quiet log, no documents, a temporary folder,
// and small writers for the documents the tests open.
#pragma once

#include "host/documents/documents.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/vtc_file.h"
#include "host/services/host_exports.h"
#include "host/session/host_state.h"
#include "support/grids.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace test_support {

namespace fmt = talvora::formats;

class HostDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        talvora::HostState::instance().reset();
        talvora::HostState::instance().echo = false;
        talvora::closeDocuments();
    }
    void TearDown() override { talvora::closeDocuments(); }

    std::string file(const std::string& name) const { return (tmp / name).string(); }

    // A 256-cube anatomical volume, opened as the current document.
    void openVmr(int dim = 256) {
        fmt::VmrFile vmr;
        vmr.dimX = vmr.dimY = vmr.dimZ = dim;
        fmt::writeVmrFile(tmp / "anatomy.vmr", vmr);
        talvora::openDocuments(nlohmann::json{{"vmr", "anatomy.vmr"}}, tmp.path());
    }

    // A 3 x 2 x 2 grid at resolution 3 starting at (30, 60, 90).
    static fmt::FunctionalGrid grid() { return test_support::functionalGrid(3, 30, 60, 90, 3, 2, 2); }

    static fmt::VtcHeader header(int volumes = 4, int dataType = 2, const std::string& protocol = "p.prt") {
        fmt::VtcHeader h;
        h.sourceFMR = "run.fmr";
        h.hasProtocol = !protocol.empty();
        h.protocolName = protocol;
        h.dataType = dataType;
        h.nrOfVolumes = volumes;
        h.grid = grid();
        h.tr = 2000.0f;
        return h;
    }

    // Value of voxel v at volume t in the test VTCs; `seed` tells files apart.
    static float value(int seed, std::size_t v, int t) {
        return static_cast<float>(seed * 1000 + v * 10 + t) + 0.25f;
    }

    std::vector<float> writeFloatVtc(const std::string& name, int seed, const fmt::VtcHeader& h) const {
        std::vector<float> data(h.grid.voxelCount() * h.nrOfVolumes);
        for (std::size_t v = 0; v < h.grid.voxelCount(); ++v)
            for (int t = 0; t < h.nrOfVolumes; ++t) data[v * h.nrOfVolumes + t] = value(seed, v, t);
        fmt::writeVtcFile(tmp / name, h, data);
        return data;
    }

    void writeProtocol(const std::string& name, const std::vector<std::int32_t>& starts,
                       fmt::ProtocolFile::TimeUnit unit = fmt::ProtocolFile::TimeUnit::Milliseconds) const {
        fmt::ProtocolFile prt;
        prt.timeUnit = unit;
        std::vector<std::int32_t> ends = starts;
        for (auto& e : ends) e += 999;
        prt.conditions = {{"Event", starts, ends}, {"Rest", {0}, {1}}};
        fmt::writeProtocolFile(tmp / name, prt);
    }

    // Host log lines that contain `text`.
    static std::size_t logged(const std::string& text) {
        const auto& lines = talvora::HostState::instance().logLines;
        return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(text) != std::string::npos;
        }));
    }

    TempFolder tmp;
};

}  // namespace test_support
