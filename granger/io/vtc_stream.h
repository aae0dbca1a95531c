// Direct access to VTC files: the header read field by field, reference
// time courses voxel by voxel, and the data one slice at a time.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace granger::io {

struct VtcInfo {
    std::int32_t headerBytes = 0;
    std::int32_t version = 0;
    std::string sourceFMR;
    std::int32_t nrOfProtocols = 0;
    std::string protocolName;
    std::int32_t dataType = 1;  // 2: float32 values, otherwise uint16
    std::int32_t nrOfVolumes = 0;
    std::int32_t resolution = 0;
    std::int32_t xStart = 0, xEnd = 0, yStart = 0, yEnd = 0, zStart = 0, zEnd = 0;
    std::int32_t lrConvention = 0;
    std::int32_t referenceSpace = 3;
    std::int32_t trMs = 0;  // floor(TR + 0.5)

    int dimX() const { return resolution > 0 ? (xEnd - xStart) / resolution : 0; }
    int dimY() const { return resolution > 0 ? (yEnd - yStart) / resolution : 0; }
    int dimZ() const { return resolution > 0 ? (zEnd - zStart) / resolution : 0; }
    std::size_t bytesPerValue() const { return dataType == 2 ? 4 : 2; }
};

// Reads the header from the start of `in`. Refuses versions other than 2 and
// 3, a version 3 file linking more than one protocol, a short header, and a
// geometry without voxels or volumes (which no voxel loop could use).
std::optional<VtcInfo> readVtcInfo(std::istream& in);

// Reads the time course of voxel `voxelIndex` (V values) as floats. False on
// a short read.
bool readVoxelTimeCourse(std::istream& in, const VtcInfo& info, std::size_t voxelIndex, float* out);

// Reads slice z (dimX * dimY * V values, voxel-major) as floats into `out`,
// reading the raw bytes into `raw` (kept by the caller to avoid reallocating).
// False on a short read.
bool readSlice(std::istream& in, const VtcInfo& info, int z, std::vector<char>& raw, std::vector<float>& out);

}  // namespace granger::io
