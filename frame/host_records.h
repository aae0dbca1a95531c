// Fixed-layout records exchanged with the host. Offsets are a binary contract
// with the host (little-endian, 64-bit pointers); every used field's offset
// and every record's size are checked at compile time below. Gaps are
// reserved bytes owned by the host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tl {

static_assert(sizeof(void*) == 8, "host records assume 64-bit pointers");

// Main header of the current anatomical volume: its file path comes first.
struct VMRMainHeaderRecord {
    char path[512];
};

struct VTCHeaderRecord {
    std::int32_t present;  // -1: no VTC linked; from a file: header length
    std::int32_t nrOfVolumes;
    std::int32_t reserved0;
    std::int32_t referenceSpace;  // 3 when the file does not say
    std::int32_t tr;              // milliseconds
    std::int32_t xStart, xEnd, yStart, yEnd, zStart, zEnd;
    std::int32_t resolution;  // anatomical voxels per VTC voxel edge
    std::int32_t dataType;    // 2: float values, otherwise uint16
    std::int32_t lrConvention;
    char reserved1[0x144 - 0x038];
    char protocolPath[0x249 - 0x144];
    char sourceFMR[0x350 - 0x249];

    int dimX() const { return resolution > 0 ? (xEnd - xStart) / resolution : 0; }
    int dimY() const { return resolution > 0 ? (yEnd - yStart) / resolution : 0; }
    int dimZ() const { return resolution > 0 ? (zEnd - zStart) / resolution : 0; }
};

struct VOISetRecord {
    std::int32_t nrOfVOIs;
    char reserved0[0x110 - 0x004];
    std::int32_t convention;  // 3: reference (Talairach) coordinates
    char reserved1[4];
};

struct VOIRecord {
    std::int32_t nrOfVoxels;
    char name[0x100 - 0x004];
};

struct ProtocolRecord {
    std::int32_t nrOfConditions;
    char reserved0[0x238 - 0x004];
    std::int32_t timeUnit;  // 1: volumes, 2: milliseconds
    char reserved1[4];
};

struct ProtocolConditionRecord {
    char name[256];
    std::int32_t nrOfIntervals;
    std::int32_t reserved0;
    std::int32_t* starts;
    std::int32_t* ends;
};

struct GLMRecord {
    char reserved0[0x034];
    std::int32_t nrOfPredictors;
    std::int32_t nrOfStudies;
    std::int32_t separatePredictors;  // 0 none, 1 per study, 2+ per subject
    char reserved1[4];
};

struct NRVMPSetRecord {
    char reserved0[0x138];
    std::int32_t nrOfThresholds;
    char reserved1[0x168 - 0x13C];
    std::int32_t xStart, xEnd, yStart, yEnd, zStart, zEnd;
    std::int32_t resolution;
    std::int32_t reserved2;
    char** thresholdLabels;  // one label buffer per threshold
};

struct NRVMPRecord {
    char* name;  // host-owned name buffer
    std::int32_t mapType;
    float lowerThreshold;
    float upperThreshold;
    char reserved0[0x040 - 0x014];
    std::uint8_t colorPositiveLow[4];
    std::uint8_t colorPositiveHigh[4];
    std::uint8_t colorNegativeLow[4];
    std::uint8_t colorNegativeHigh[4];
    std::int32_t useColors;
    char reserved1[0x060 - 0x054];
    float* fdrThresholds;
};

struct FMRMapRecord {
    std::int32_t dimX, dimY, dimZ;
    std::int32_t flag0C;
    float lowerThreshold;
    float upperThreshold;
    std::int32_t reserved0;
    std::int32_t flag1C;
};

// Size of the name buffer the host hands out in NRVMPRecord::name.
constexpr std::size_t kMapNameCapacity = 256;
// Size of path buffers the host fills (file dialogs, paths, parameters).
constexpr std::size_t kPathCapacity = 1024;

#define TL_CHECK_OFFSET(T, field, off) \
    static_assert(offsetof(T, field) == (off), #T "::" #field " must sit at " #off)

TL_CHECK_OFFSET(VMRMainHeaderRecord, path, 0x000);
TL_CHECK_OFFSET(VTCHeaderRecord, present, 0x000);
TL_CHECK_OFFSET(VTCHeaderRecord, nrOfVolumes, 0x004);
TL_CHECK_OFFSET(VTCHeaderRecord, referenceSpace, 0x00C);
TL_CHECK_OFFSET(VTCHeaderRecord, tr, 0x010);
TL_CHECK_OFFSET(VTCHeaderRecord, xStart, 0x014);
TL_CHECK_OFFSET(VTCHeaderRecord, xEnd, 0x018);
TL_CHECK_OFFSET(VTCHeaderRecord, yStart, 0x01C);
TL_CHECK_OFFSET(VTCHeaderRecord, yEnd, 0x020);
TL_CHECK_OFFSET(VTCHeaderRecord, zStart, 0x024);
TL_CHECK_OFFSET(VTCHeaderRecord, zEnd, 0x028);
TL_CHECK_OFFSET(VTCHeaderRecord, resolution, 0x02C);
TL_CHECK_OFFSET(VTCHeaderRecord, dataType, 0x030);
TL_CHECK_OFFSET(VTCHeaderRecord, lrConvention, 0x034);
TL_CHECK_OFFSET(VTCHeaderRecord, protocolPath, 0x144);
TL_CHECK_OFFSET(VTCHeaderRecord, sourceFMR, 0x249);
TL_CHECK_OFFSET(VOISetRecord, nrOfVOIs, 0x000);
TL_CHECK_OFFSET(VOISetRecord, convention, 0x110);
TL_CHECK_OFFSET(VOIRecord, nrOfVoxels, 0x000);
TL_CHECK_OFFSET(VOIRecord, name, 0x004);
TL_CHECK_OFFSET(ProtocolRecord, nrOfConditions, 0x000);
TL_CHECK_OFFSET(ProtocolRecord, timeUnit, 0x238);
TL_CHECK_OFFSET(ProtocolConditionRecord, name, 0x000);
TL_CHECK_OFFSET(ProtocolConditionRecord, nrOfIntervals, 0x100);
TL_CHECK_OFFSET(ProtocolConditionRecord, starts, 0x108);
TL_CHECK_OFFSET(ProtocolConditionRecord, ends, 0x110);
TL_CHECK_OFFSET(GLMRecord, nrOfPredictors, 0x034);
TL_CHECK_OFFSET(GLMRecord, nrOfStudies, 0x038);
TL_CHECK_OFFSET(GLMRecord, separatePredictors, 0x03C);
TL_CHECK_OFFSET(NRVMPSetRecord, nrOfThresholds, 0x138);
TL_CHECK_OFFSET(NRVMPSetRecord, xStart, 0x168);
TL_CHECK_OFFSET(NRVMPSetRecord, xEnd, 0x16C);
TL_CHECK_OFFSET(NRVMPSetRecord, yStart, 0x170);
TL_CHECK_OFFSET(NRVMPSetRecord, yEnd, 0x174);
TL_CHECK_OFFSET(NRVMPSetRecord, zStart, 0x178);
TL_CHECK_OFFSET(NRVMPSetRecord, zEnd, 0x17C);
TL_CHECK_OFFSET(NRVMPSetRecord, resolution, 0x180);
TL_CHECK_OFFSET(NRVMPSetRecord, thresholdLabels, 0x188);
TL_CHECK_OFFSET(NRVMPRecord, name, 0x000);
TL_CHECK_OFFSET(NRVMPRecord, mapType, 0x008);
TL_CHECK_OFFSET(NRVMPRecord, lowerThreshold, 0x00C);
TL_CHECK_OFFSET(NRVMPRecord, upperThreshold, 0x010);
TL_CHECK_OFFSET(NRVMPRecord, colorPositiveLow, 0x040);
TL_CHECK_OFFSET(NRVMPRecord, colorPositiveHigh, 0x044);
TL_CHECK_OFFSET(NRVMPRecord, colorNegativeLow, 0x048);
TL_CHECK_OFFSET(NRVMPRecord, colorNegativeHigh, 0x04C);
TL_CHECK_OFFSET(NRVMPRecord, useColors, 0x050);
TL_CHECK_OFFSET(NRVMPRecord, fdrThresholds, 0x060);
TL_CHECK_OFFSET(FMRMapRecord, dimX, 0x00);
TL_CHECK_OFFSET(FMRMapRecord, dimY, 0x04);
TL_CHECK_OFFSET(FMRMapRecord, dimZ, 0x08);
TL_CHECK_OFFSET(FMRMapRecord, flag0C, 0x0C);
TL_CHECK_OFFSET(FMRMapRecord, lowerThreshold, 0x10);
TL_CHECK_OFFSET(FMRMapRecord, upperThreshold, 0x14);
TL_CHECK_OFFSET(FMRMapRecord, flag1C, 0x1C);

// Whole sizes: the host reads and writes a record up to its size, so a record
// must never shrink below, or silently grow beyond, the layout above.
#define TL_CHECK_SIZE(T, size) static_assert(sizeof(T) == (size), #T " must be " #size " bytes")
TL_CHECK_SIZE(VMRMainHeaderRecord, 0x200);
TL_CHECK_SIZE(VTCHeaderRecord, 0x350);
TL_CHECK_SIZE(VOISetRecord, 0x118);
TL_CHECK_SIZE(VOIRecord, 0x100);
TL_CHECK_SIZE(ProtocolRecord, 0x240);
TL_CHECK_SIZE(ProtocolConditionRecord, 0x118);
TL_CHECK_SIZE(GLMRecord, 0x044);
TL_CHECK_SIZE(NRVMPSetRecord, 0x190);
TL_CHECK_SIZE(NRVMPRecord, 0x068);
TL_CHECK_SIZE(FMRMapRecord, 0x020);

#undef TL_CHECK_SIZE
#undef TL_CHECK_OFFSET

}  // namespace tl
