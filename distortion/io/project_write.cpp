// Writing a project under a new name: header and data file, each through a
// temporary file that is renamed only when complete.
#include "distortion/core/errors.h"
#include "distortion/io/project_files.h"
#include "frame/atomic_file.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

namespace distortion::io {

using namespace core;
namespace {

std::string fileStem(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void writeData(const Project& p, std::ostream& out) {
    const bool floats = p.intOf("DataType") == 2;
    const std::size_t nt = p.volumes.size();
    if (nt == 0) return;
    const Volume& first = p.volumes.front();
    const std::size_t plane = static_cast<std::size_t>(first.nx()) * first.ny();
    const std::size_t nz = static_cast<std::size_t>(first.nz());
    std::vector<char> buffer(plane * (floats ? 4 : 2));
    auto writePlane = [&](const Volume& v, std::size_t z) {
        const float* src = v.data() + z * plane;
        if (floats) {
            std::memcpy(buffer.data(), src, plane * 4);
        } else {
            for (std::size_t i = 0; i < plane; ++i) {
                const std::int16_t s = toStoredInt16(src[i]);
                std::memcpy(buffer.data() + 2 * i, &s, 2);
            }
        }
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    };
    if (p.kind() == ProjectKind::FMR) {
        for (std::size_t z = 0; z < nz; ++z)
            for (std::size_t t = 0; t < nt; ++t) writePlane(p.volumes[t], z);
    } else {
        for (std::size_t t = 0; t < nt; ++t)
            for (std::size_t z = 0; z < nz; ++z) writePlane(p.volumes[t], z);
    }
}

void writeProjectWith(Project& p, const std::string& newPath, const std::function<void(std::ostream&)>& data);

}  // namespace

std::int16_t toStoredInt16(float v) {
    if (!(v == v)) return 0;
    if (v >= 32767.0f) return 32767;
    if (v <= -32768.0f) return -32768;
    return static_cast<std::int16_t>(std::trunc(v));
}

void writeProject(Project& p, const std::string& newPath) {
    if (!p.dataRead) readProjectData(p);
    writeProjectWith(p, newPath, [&p](std::ostream& out) { writeData(p, out); });
}

void writeProject(Project& p, const std::string& newPath, const std::vector<char>& dataBytes) {
    writeProjectWith(p, newPath, [&dataBytes](std::ostream& out) {
        out.write(dataBytes.data(), static_cast<std::streamsize>(dataBytes.size()));
    });
}

namespace {

void writeProjectWith(Project& p, const std::string& newPath,
                      const std::function<void(std::ostream&)>& data) {
    p.path = newPath;
    HeaderEntry& prefix = p.entry("Prefix");
    prefix.text = fileStem(newPath);
    const bool fmr = p.kind() == ProjectKind::FMR;
    const std::string dataPath = dataFilePath(p);

    tl::AtomicFile header;
    if (!header.open(newPath)) throw WriteFileError("Cannot Create file: " + newPath);
    header.stream() << headerText(p);
    tl::AtomicFile dataFile;
    if (!dataFile.open(dataPath))
        throw WriteFileError((fmr ? "Failed opening STC for writing: " : "Failed opening for writing: ") +
                             dataPath);
    data(dataFile.stream());
    // The data first: a header never names a data file that is not complete.
    if (!dataFile.commit())
        throw WriteFileError((fmr ? "Failed opening STC for writing: " : "Failed opening for writing: ") +
                             dataPath + " (" + dataFile.problem() + ")");
    if (!header.commit())
        throw WriteFileError("Cannot Create file: " + newPath + " (" + header.problem() + ")");
}

}  // namespace

}  // namespace distortion::io
