// The anatomical volume, the linked VTC with its protocol and the multi-VTC
// list, driven through the host's exported C functions as a plug-in does.
#include "host_fixture.h"

#include <cstring>

using test_support::HostDocuments;
using test_support::writeBytes;
namespace fmt = talvora::formats;

TEST_F(HostDocuments, WithoutDocumentsEveryGetterReportsNothing) {
    int x = 0, y = 0, z = 0;
    EXPECT_EQ(hxGetCurrentVMR(&x, &y, &z), 0);
    tl::VTCHeaderRecord record{};
    EXPECT_EQ(hxGetHeaderOfVTCOfCurrentVMR(&record), 0);
    EXPECT_EQ(record.present, -1);
    EXPECT_EQ(hxGetVTCFloatDataOfCurrentVMR(), nullptr);
    EXPECT_EQ(hxGetVTCIntDataOfCurrentVMR(), nullptr);
    tl::ProtocolRecord protocol{};
    protocol.nrOfConditions = 77;
    EXPECT_EQ(hxGetProtocol(&protocol), 0);
    EXPECT_EQ(protocol.nrOfConditions, 0);
    tl::VOISetRecord vois{};
    EXPECT_EQ(hxGetVOIs(&vois), 0);
    EXPECT_EQ(hxGetMaskOfCurrentVMR(), nullptr);
    tl::GLMRecord glm{};
    EXPECT_EQ(hxGetGLMOfCurrentVMR(&glm), nullptr);
    tl::NRVMPSetRecord maps{};
    EXPECT_EQ(hxGetNRVMPsOfCurrentVMR(&maps), 0);
    float buffer[4];
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(0, 0, buffer), 0);

    writeFloatVtc("a.vtc", 1, header());
    EXPECT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 0);
    EXPECT_EQ(logged("Talvora> cannot link a VTC: no anatomical volume (VMR) is open"), 1u);
}

TEST_F(HostDocuments, CurrentVmrGivesDimensionsAndPath) {
    openVmr(200);
    int x = 0, y = 0, z = 0;
    EXPECT_EQ(hxGetCurrentVMR(&x, &y, &z), 1);
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(z, 200);
    tl::VMRMainHeaderRecord main{};
    EXPECT_EQ(hxGetMainHeaderOfCurrentVMR(&main), 1);
    EXPECT_EQ(std::string(main.path), file("anatomy.vmr"));
}

TEST_F(HostDocuments, LinkedVtcFillsTheHeaderRecordAndHandsOutItsData) {
    openVmr();
    writeProtocol("p.prt", {4000, 24000});
    const auto data = writeFloatVtc("a.vtc", 1, header(4, 2));
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 1);

    tl::VTCHeaderRecord h{};
    ASSERT_EQ(hxGetHeaderOfVTCOfCurrentVMR(&h), 1);
    EXPECT_EQ(h.present, static_cast<int>(fmt::encodeVtcHeader(header()).size()));  // the header's length
    EXPECT_EQ(h.nrOfVolumes, 4);
    EXPECT_EQ(h.tr, 2000);
    EXPECT_EQ(h.referenceSpace, 3);
    EXPECT_EQ(h.xStart, 30);
    EXPECT_EQ(h.xEnd, 39);
    EXPECT_EQ(h.yStart, 60);
    EXPECT_EQ(h.yEnd, 66);
    EXPECT_EQ(h.zStart, 90);
    EXPECT_EQ(h.zEnd, 96);
    EXPECT_EQ(h.resolution, 3);
    EXPECT_EQ(h.dataType, 2);
    EXPECT_EQ(h.dimX() * h.dimY() * h.dimZ(), 12);
    EXPECT_EQ(std::string(h.protocolPath), file("p.prt"));
    EXPECT_EQ(std::string(h.sourceFMR), "run.fmr");
    tl::VTCHeaderRecord same{};
    EXPECT_EQ(hxGetVTCOfCurrentVMR(&same), 1);
    EXPECT_EQ(std::memcmp(&same, &h, sizeof h), 0);

    const float* floats = hxGetVTCFloatDataOfCurrentVMR();
    ASSERT_NE(floats, nullptr);
    EXPECT_EQ(std::vector<float>(floats, floats + data.size()), data);
    EXPECT_EQ(hxGetVTCIntDataOfCurrentVMR(), nullptr);  // the data are floats

    // A 16-bit VTC hands out its values through the other function.
    fmt::VtcHeader ih = header(3, 1);
    std::vector<std::uint16_t> ints(12 * 3);
    for (std::size_t i = 0; i < ints.size(); ++i) ints[i] = static_cast<std::uint16_t>(60000 + i);
    fmt::writeVtcFile(tmp / "i.vtc", ih, {}, ints);
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("i.vtc").c_str(), 1), 1);
    const unsigned short* shorts = hxGetVTCIntDataOfCurrentVMR();
    ASSERT_NE(shorts, nullptr);
    EXPECT_EQ(std::vector<std::uint16_t>(shorts, shorts + ints.size()), ints);
    EXPECT_EQ(hxGetVTCFloatDataOfCurrentVMR(), nullptr);
}

TEST_F(HostDocuments, RefusedLinkLeavesNoVtcLinked) {
    openVmr();
    writeProtocol("p.prt", {4000});
    writeFloatVtc("a.vtc", 1, header());
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 1);
    writeBytes(tmp / "bad.vtc", std::string("\x07\x00", 2));
    EXPECT_EQ(hxLinkVTCToCurrentVMR(file("bad.vtc").c_str(), 0), 0);
    EXPECT_EQ(logged("Talvora> " + file("bad.vtc") + ": unsupported VTC version 7"), 1u);
    tl::VTCHeaderRecord h{};
    EXPECT_EQ(hxGetHeaderOfVTCOfCurrentVMR(&h), 0);
    EXPECT_EQ(h.present, -1);

    // A VTC whose box reaches outside the anatomical volume is refused too.
    openVmr(64);
    writeFloatVtc("a.vtc", 1, header());
    EXPECT_EQ(hxLinkVTCToCurrentVMR(file("a.vtc").c_str(), 0), 0);
    EXPECT_EQ(logged("reaches outside the 64 x 64 x 64 anatomical volume"), 1u);
}

TEST_F(HostDocuments, VoxelTimeCoursesComeFromTheMultiVtcList) {
    openVmr();
    const auto first = writeFloatVtc("a.vtc", 1, header(5));
    fmt::VtcHeader ih = header(5, 1);
    std::vector<std::uint16_t> ints(12 * 5);
    for (std::size_t i = 0; i < ints.size(); ++i) ints[i] = static_cast<std::uint16_t>(65535 - 7 * i);
    fmt::writeVtcFile(tmp / "b.vtc", ih, {}, ints);
    writeBytes(tmp / "cut.vtc", test_support::readBytes(tmp / "a.vtc").substr(0, 100));

    hxClearMultiVTCAnalysis();
    ASSERT_EQ(hxAddVTCRefForMultiVTCAnalysis(file("a.vtc").c_str()), 1);
    EXPECT_EQ(hxAddVTCRefForMultiVTCAnalysis(file("cut.vtc").c_str()), 0);
    EXPECT_EQ(logged("Talvora> " + file("cut.vtc") + ": truncated"), 1u);
    EXPECT_EQ(hxAddVTCRefForMultiVTCAnalysis(file("missing.vtc").c_str()), 0);
    EXPECT_EQ(logged(file("missing.vtc") + ": cannot open"), 1u);
    ASSERT_EQ(hxAddVTCRefForMultiVTCAnalysis(file("b.vtc").c_str()), 1);  // refused files take no place

    std::vector<float> course(5);
    for (int v = 0; v < 12; ++v) {
        ASSERT_EQ(hxGetVoxelTimeCourseOfVTC(0, v, course.data()), 1);
        EXPECT_EQ(course, std::vector<float>(first.begin() + v * 5, first.begin() + v * 5 + 5))
            << "voxel " << v;
        ASSERT_EQ(hxGetVoxelTimeCourseOfVTC(1, v, course.data()), 1);
        for (int t = 0; t < 5; ++t) EXPECT_EQ(course[t], static_cast<float>(ints[v * 5 + t]));
    }
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(0, 12, course.data()), 0);
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(0, -1, course.data()), 0);
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(2, 0, course.data()), 0);
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(-1, 0, course.data()), 0);
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(0, 0, nullptr), 0);

    hxClearMultiVTCAnalysis();
    EXPECT_EQ(hxGetVoxelTimeCourseOfVTC(0, 0, course.data()), 0);
}

TEST_F(HostDocuments, ProtocolFollowsTheLinkedVtc) {
    openVmr();
    std::filesystem::create_directories(tmp / "sub");
    writeProtocol("sub/p.prt", {4000, 24000, 44000});
    writeFloatVtc("sub/a.vtc", 1, header());
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("sub/a.vtc").c_str(), 0),
              1);  // "p.prt" is taken from the VTC's folder

    tl::ProtocolRecord p{};
    ASSERT_EQ(hxGetProtocol(&p), 1);
    EXPECT_EQ(p.nrOfConditions, 2);
    EXPECT_EQ(p.timeUnit, 2);
    tl::ProtocolConditionRecord c{};
    ASSERT_EQ(hxGetProtocolCondition(0, &c), 1);
    EXPECT_EQ(std::string(c.name), "Event");
    ASSERT_EQ(c.nrOfIntervals, 3);
    EXPECT_EQ(std::vector<int>(c.starts, c.starts + 3), (std::vector<int>{4000, 24000, 44000}));
    EXPECT_EQ(std::vector<int>(c.ends, c.ends + 3), (std::vector<int>{4999, 24999, 44999}));
    EXPECT_EQ(hxGetProtocolCondition(2, &c), 0);
    EXPECT_EQ(hxGetProtocolCondition(-1, &c), 0);

    // The plug-in may link another protocol through the header record.
    writeProtocol("vols.prt", {3}, fmt::ProtocolFile::TimeUnit::Volumes);
    tl::VTCHeaderRecord h{};
    hxGetVTCOfCurrentVMR(&h);
    std::strcpy(h.protocolPath, file("vols.prt").c_str());
    ASSERT_EQ(hxSetVTCParametersOfCurrentVMR(&h), 1);
    ASSERT_EQ(hxGetProtocol(&p), 1);
    EXPECT_EQ(p.timeUnit, 1);
    std::strcpy(h.protocolPath, file("nothing.prt").c_str());
    EXPECT_EQ(hxSetVTCParametersOfCurrentVMR(&h), 0);
    EXPECT_EQ(logged(file("nothing.prt") + ": cannot open"), 1u);

    // A protocol path written on another machine falls back to the file of
    // that name beside the VTC.
    writeProtocol("w.prt", {8000});
    writeFloatVtc("w.vtc", 2, header(4, 2, "C:\\data\\study\\w.prt"));
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("w.vtc").c_str(), 0), 1);
    ASSERT_EQ(hxGetProtocolCondition(0, &c), 1);
    EXPECT_EQ(c.starts[0], 8000);

    // A VTC whose protocol is missing links without one, and says so.
    writeFloatVtc("lost.vtc", 3, header(4, 2, "lost.prt"));
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("lost.vtc").c_str(), 0), 1);
    EXPECT_EQ(hxGetProtocol(&p), 0);
    EXPECT_EQ(logged("the protocol of " + file("lost.vtc") + " cannot be used: " + file("lost.prt") +
                     ": cannot open"),
              1u);
}
