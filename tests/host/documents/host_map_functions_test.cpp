// Volume maps in functional resolution: create, fill in place, set their
// parameters, save (byte-exact), load and add back, delete; a save that
// cannot be written leaves nothing behind.
#include "host/formats/map_file.h"
#include "host_fixture.h"

#include <cstring>
#include <unistd.h>

using test_support::entriesIn;
using test_support::HostDocuments;
using test_support::readBytes;
namespace fmt = talvora::formats;

namespace {

tl::NRVMPSetRecord setRecord(const fmt::FunctionalGrid& g, int thresholds) {
    tl::NRVMPSetRecord r{};
    r.nrOfThresholds = thresholds;
    r.resolution = g.resolution;
    r.xStart = g.xStart;
    r.xEnd = g.xEnd;
    r.yStart = g.yStart;
    r.yEnd = g.yEnd;
    r.zStart = g.zStart;
    r.zEnd = g.zEnd;
    return r;
}

std::string floatBytes(std::initializer_list<float> values) {
    std::string s;
    for (float v : values) {
        char b[4];
        std::memcpy(b, &v, 4);
        s.append(b, 4);
    }
    return s;
}

}  // namespace

TEST_F(HostDocuments, LatencyMapsAreSavedByteExact) {
    openVmr();
    // The latency plug-in's way: no record, so the linked VTC's grid.
    fmt::VtcHeader h = header();
    h.grid.xEnd = 36;  // 2 x 1 x 1 voxels
    h.grid.yEnd = 63;
    h.grid.zEnd = 93;
    writeFloatVtc("a.vtc", 1, h);
    writeProtocol("p.prt", {4000});
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 1);
    ASSERT_EQ(hxDeleteNRVMPsOfCurrentVMR(), 1);
    ASSERT_EQ(hxCreateNRVMPsForCurrentVMR(2, 10, 0, nullptr), 1);
    tl::NRVMPSetRecord set{};
    ASSERT_EQ(hxGetNRVMPsOfCurrentVMR(&set), 1);
    EXPECT_EQ(set.nrOfThresholds, 0);
    EXPECT_EQ(set.resolution, 3);
    EXPECT_EQ(set.xStart, 30);
    EXPECT_EQ(set.xEnd, 36);

    const char* names[] = {"Onset (secs)", "Duration (secs)"};
    const float values[2][2] = {{2.1f, 0.0f}, {-1.0f, 6.25f}};
    for (int m = 0; m < 2; ++m) {
        tl::NRVMPRecord map{};
        float* data = hxGetNRVMPOfCurrentVMR(m, &map);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(map.mapType, 10);
        EXPECT_EQ(data[0], 0.0f);  // new maps start at zero
        std::strcpy(map.name, names[m]);
        data[0] = values[m][0];
        data[1] = values[m][1];
        map.lowerThreshold = 0.1f;
        map.upperThreshold = 6.25f;
        ASSERT_EQ(hxSetNRVMPParametersOfCurrentVMR(m, &map), 1);
    }
    EXPECT_EQ(hxGetNRVMPOfCurrentVMR(2, nullptr), nullptr);
    ASSERT_EQ(hxSaveNRVMPsOfCurrentVMR(file("maps.blm").c_str()), 1);

    const std::string settings =
        "MapType: 10\nLowerThreshold: 0.1\nUpperThreshold: 6.25\n"
        "ColorPositiveLow: 255 0 0\nColorPositiveHigh: 255 255 0\n"
        "ColorNegativeLow: 0 0 255\nColorNegativeHigh: 0 255 255\nUseColors: 0\nFDRThresholds:\n";
    const std::string expected =
        "TALVORA-MAPS 1\nNrOfMaps: 2\nOption: 10\nNrOfThresholds: 0\nResolution: 3\n"
        "BoundingBox: 30 36 60 63 90 93\n"
        "\nMap: Onset (secs)\n" +
        settings + "\nMap: Duration (secs)\n" + settings + "BinaryData:\n" +
        floatBytes({2.1f, 0.0f, -1.0f, 6.25f});
    EXPECT_EQ(readBytes(tmp / "maps.blm"), expected);
}

TEST_F(HostDocuments, MapSetRoundTripsThroughSaveAndLoad) {
    openVmr();
    tl::NRVMPSetRecord record = setRecord(grid(), 2);
    ASSERT_EQ(hxCreateNRVMPsForCurrentVMR(3, 0, 2, &record), 1);
    tl::NRVMPSetRecord set{};
    ASSERT_EQ(hxGetNRVMPsOfCurrentVMR(&set), 1);
    ASSERT_EQ(set.nrOfThresholds, 2);
    ASSERT_NE(set.thresholdLabels, nullptr);
    std::snprintf(set.thresholdLabels[0], tl::kMapNameCapacity, "thres q=%1.3f", 0.05);
    std::snprintf(set.thresholdLabels[1], tl::kMapNameCapacity, "thres q=%1.3f", 0.01);
    for (int m = 0; m < 3; ++m) {
        tl::NRVMPRecord map{};
        float* data = hxGetNRVMPOfCurrentVMR(m, &map);
        ASSERT_NE(data, nullptr);
        for (int v = 0; v < 12; ++v) data[v] = static_cast<float>(m * 100 + v) / 3.0f;
        std::snprintf(map.name, tl::kMapNameCapacity, "map %d", m);
        map.mapType = 101;
        map.lowerThreshold = 1.5f;
        map.upperThreshold = 8.0f;
        const std::uint8_t colour[4] = {10, 20, 30, 0};
        std::memcpy(map.colorNegativeHigh, colour, 4);
        map.useColors = 1;
        map.fdrThresholds[0] = 0.5f + m;
        map.fdrThresholds[1] = 0.25f + m;
        ASSERT_EQ(hxSetNRVMPParametersOfCurrentVMR(m, &map), 1);
    }
    ASSERT_EQ(hxSaveNRVMPsOfCurrentVMR(file("a.gcm").c_str()), 1);
    ASSERT_EQ(hxDeleteNRVMPsOfCurrentVMR(), 1);
    EXPECT_EQ(hxGetNRVMPsOfCurrentVMR(&set), 0);

    ASSERT_EQ(hxLoadNRVMPsToCurrentVMR(file("a.gcm").c_str()), 1);
    ASSERT_EQ(hxGetNRVMPsOfCurrentVMR(&set), 1);
    EXPECT_EQ(std::string(set.thresholdLabels[1]), "thres q=0.010");
    EXPECT_EQ(set.zEnd, 96);
    for (int m = 0; m < 3; ++m) {
        tl::NRVMPRecord map{};
        const float* data = hxGetNRVMPOfCurrentVMR(m, &map);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(map.name), "map " + std::to_string(m));
        EXPECT_EQ(map.mapType, 101);
        EXPECT_EQ(map.lowerThreshold, 1.5f);
        EXPECT_EQ(map.colorNegativeHigh[1], 20);
        EXPECT_EQ(map.colorNegativeHigh[3], 0);
        EXPECT_EQ(map.useColors, 1);
        EXPECT_EQ(map.fdrThresholds[1], 0.25f + m);
        for (int v = 0; v < 12; ++v) EXPECT_EQ(data[v], static_cast<float>(m * 100 + v) / 3.0f);
    }

    // Adding the same file appends its maps; earlier map data stay in place.
    tl::NRVMPRecord first{};
    const float* before = hxGetNRVMPOfCurrentVMR(0, &first);
    ASSERT_EQ(hxAddNRVMPsToCurrentVMR(file("a.gcm").c_str()), 1);
    EXPECT_EQ(hxGetNRVMPOfCurrentVMR(0, &first), before);
    tl::NRVMPRecord map{};
    ASSERT_NE(hxGetNRVMPOfCurrentVMR(5, &map), nullptr);
    EXPECT_EQ(hxGetNRVMPOfCurrentVMR(6, &map), nullptr);
    // Deleting one map shifts the later ones down.
    ASSERT_EQ(hxDeleteNRVMPMap(1), 1);
    ASSERT_NE(hxGetNRVMPOfCurrentVMR(1, &map), nullptr);
    EXPECT_EQ(std::string(map.name), "map 2");
    EXPECT_EQ(hxGetNRVMPOfCurrentVMR(5, &map), nullptr);
    EXPECT_EQ(hxDeleteNRVMPMap(5), 0);

    // Maps of another grid do not join the set.
    tl::NRVMPSetRecord other = setRecord(grid(), 2);
    other.zEnd = 99;
    ASSERT_EQ(hxCreateNRVMPsForCurrentVMR(1, 0, 2, &other), 1);
    ASSERT_EQ(hxSaveNRVMPsOfCurrentVMR(file("other.gcm").c_str()), 1);
    ASSERT_EQ(hxLoadNRVMPsToCurrentVMR(file("a.gcm").c_str()), 1);
    EXPECT_EQ(hxAddNRVMPsToCurrentVMR(file("other.gcm").c_str()), 0);
    EXPECT_EQ(
        logged(
            "other.gcm: its grid (resolution 3, box x 30-39 y 60-66 z 90-99) differs from the maps already open"),
        1u);
}

TEST_F(HostDocuments, MapCreationNeedsAGrid) {
    openVmr();
    EXPECT_EQ(hxCreateNRVMPsForCurrentVMR(4, 10, 0, nullptr), 0);
    EXPECT_EQ(logged("cannot create maps: no grid given and no VTC linked"), 1u);
    tl::NRVMPSetRecord record = setRecord(grid(), 0);
    EXPECT_EQ(hxCreateNRVMPsForCurrentVMR(0, 10, 0, &record), 0);
    record.resolution = 0;
    EXPECT_EQ(hxCreateNRVMPsForCurrentVMR(1, 10, 0, &record), 0);
    tl::NRVMPSetRecord set{};
    EXPECT_EQ(hxGetNRVMPsOfCurrentVMR(&set), 0);
    // With no set, saving writes an empty one (a group of no subjects) on the volume's grid.
    EXPECT_EQ(hxSaveNRVMPsOfCurrentVMR(file("none.blm").c_str()), 1);
    const auto none = talvora::formats::readMapSetFile(tmp / "none.blm");
    EXPECT_TRUE(none.maps.empty());
    EXPECT_EQ(none.grid.resolution, 1);
}

TEST_F(HostDocuments, FailedSaveLeavesNothingBehind) {
    openVmr();
    tl::NRVMPSetRecord record = setRecord(grid(), 0);
    ASSERT_EQ(hxCreateNRVMPsForCurrentVMR(1, 10, 0, &record), 1);
    const std::size_t before = entriesIn(tmp.path());

    EXPECT_EQ(hxSaveNRVMPsOfCurrentVMR(file("missing/folder/maps.blm").c_str()), 0);
    EXPECT_EQ(logged("missing/folder/maps.blm: cannot open for writing"), 1u);
    EXPECT_FALSE(std::filesystem::exists(tmp / "missing"));

    // A folder where the file should go: the new file cannot be moved into
    // place, and its temporary file is removed again.
    std::filesystem::create_directories(tmp / "taken.blm" / "inside");
    EXPECT_EQ(hxSaveNRVMPsOfCurrentVMR(file("taken.blm").c_str()), 0);
    EXPECT_EQ(logged("taken.blm: cannot move the new file into place"), 1u);
    EXPECT_EQ(entriesIn(tmp.path()), before + 1);  // only the folder made above

    // An existing file survives a failed save of other content unchanged.
    ASSERT_EQ(hxSaveNRVMPsOfCurrentVMR(file("kept.blm").c_str()), 1);
    const std::string kept = readBytes(tmp / "kept.blm");
    tl::NRVMPRecord map{};
    hxGetNRVMPOfCurrentVMR(0, &map);
    std::memset(map.name, 'x', tl::kMapNameCapacity);  // unterminated: the host cuts it to 255
    ASSERT_EQ(hxSetNRVMPParametersOfCurrentVMR(0, &map), 1);
    std::filesystem::permissions(tmp.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const bool canStillWrite = ::access(tmp.path().c_str(), W_OK) == 0;  // true when run as root
    const int saved = hxSaveNRVMPsOfCurrentVMR(file("kept.blm").c_str());
    std::filesystem::permissions(tmp.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    if (!canStillWrite) {
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(readBytes(tmp / "kept.blm"), kept);
    }
    ASSERT_EQ(hxSaveNRVMPsOfCurrentVMR(file("long.blm").c_str()), 1);
    EXPECT_EQ(fmt::readMapSetFile(tmp / "long.blm").maps[0].name, std::string(255, 'x'));
}
