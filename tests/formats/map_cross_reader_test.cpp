// A ".map" file written by the host, read by the host and by the distortion
// plug-in: the same sizes and values, and each reader's own message when the
// file ends early.
#include "distortion/core/errors.h"
#include "distortion/io/map_file.h"
#include "host/formats/fmr_map_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class MapCrossReader : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("map_cross_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A 3 x 2 x 2 grid; values that tell every position apart.
    talvora::formats::FmrMapFile twoMaps() const {
        talvora::formats::FmrMapFile file;
        file.nx = 3;
        file.ny = 2;
        file.nz = 2;
        for (int k = 0; k < 2; ++k) {
            talvora::formats::FmrMap m;
            m.name = k == 0 ? "VDM" : "second";
            m.lowerThreshold = 1.0f;
            m.upperThreshold = 5.0f;
            for (int i = 0; i < 12; ++i) m.values.push_back(static_cast<float>(100 * k + i) + 0.25f);
            file.maps.push_back(m);
        }
        return file;
    }
    fs::path dir_;
};

TEST_F(MapCrossReader, BothReadersSeeTheSameFirstMap) {
    const fs::path path = dir_ / "two.map";
    const auto written = twoMaps();
    talvora::formats::writeFmrMapFile(path, written);

    const auto host = talvora::formats::readFmrMapFile(path);
    ASSERT_EQ(host.maps.size(), 2u);
    EXPECT_EQ(host.maps[0].name, "VDM");
    EXPECT_EQ(host.maps[1].name, "second");
    EXPECT_EQ(host.maps[0].values, written.maps[0].values);
    EXPECT_EQ(host.maps[1].values, written.maps[1].values);

    const distortion::core::Volume plugin = distortion::io::readMapFile(path.string());
    ASSERT_EQ(plugin.nx(), 3);
    ASSERT_EQ(plugin.ny(), 2);
    ASSERT_EQ(plugin.nz(), 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(plugin.data()[i], written.maps[0].values[i]) << i;
}

TEST_F(MapCrossReader, EachReaderKeepsItsOwnMessageForAShortFile) {
    const fs::path whole = dir_ / "whole.map";
    talvora::formats::writeFmrMapFile(whole, twoMaps());
    std::string bytes;
    {
        std::ifstream in(whole, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Cut inside the header, inside the name, and inside the first map's values.
    for (std::size_t cut : {std::size_t{5}, std::size_t{24}, std::size_t{40}}) {
        const fs::path path = dir_ / ("cut" + std::to_string(cut) + ".map");
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
        try {
            talvora::formats::readFmrMapFile(path);
            ADD_FAILURE() << "host reader accepted a file cut at " << cut;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), path.string() + ": the map file ends early") << cut;
        }
        try {
            distortion::io::readMapFile(path.string());
            ADD_FAILURE() << "plug-in reader accepted a file cut at " << cut;
        } catch (const distortion::core::ReadFileError& e) {
            EXPECT_EQ(std::string(e.what()), "error reading from binary file") << cut;
        }
    }
}

}  // namespace
