// Shared pieces of the host's own file formats: a line cursor over a text
// header with "Key: value" lines, an optional binary payload after a
// "BinaryData:" line, number parsing that refuses junk, and shortest
// round-trip number formatting for writers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talvora::formats {

// Throws std::runtime_error("<path>: <problem>").
[[noreturn]] void fail(const std::filesystem::path& path, const std::string& problem);

// Throws naming the file unless it is a regular file (not a folder, device,
// pipe or socket).
void requireRegularFile(const std::filesystem::path& path);

// The whole file as bytes; throws naming the file when it cannot be read,
// is not a regular file (a folder, a device, a pipe) or holds more than
// `maxBytes`, the most its format can hold.
std::string readWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes);

// Header text, however long its names, stays below this; formats add their
// largest payload to it.
constexpr std::uint64_t kMaxHeaderBytes = 1ull << 24;

// a * b + c, or the largest uint64 when that does not fit (format maxima).
std::uint64_t saturatingSize(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0);

// Shortest text that reads back to the same float (e.g. 0.1f -> "0.1").
std::string formatFloat(float value);

using Rgb = std::array<std::uint8_t, 3>;

// Grid of a functional (VTC-resolution) volume: bounding box in anatomical
// voxels and the edge length of one functional voxel.
struct FunctionalGrid {
    int resolution = 3;
    int xStart = 0, xEnd = 0, yStart = 0, yEnd = 0, zStart = 0, zEnd = 0;

    int dimX() const { return resolution > 0 ? (xEnd - xStart) / resolution : 0; }
    int dimY() const { return resolution > 0 ? (yEnd - yStart) / resolution : 0; }
    int dimZ() const { return resolution > 0 ? (zEnd - zStart) / resolution : 0; }
    std::size_t voxelCount() const {
        return static_cast<std::size_t>(dimX()) * static_cast<std::size_t>(dimY()) *
               static_cast<std::size_t>(dimZ());
    }
    bool operator==(const FunctionalGrid& o) const {
        return resolution == o.resolution && xStart == o.xStart && xEnd == o.xEnd && yStart == o.yStart &&
               yEnd == o.yEnd && zStart == o.zStart && zEnd == o.zEnd;
    }
    bool operator!=(const FunctionalGrid& o) const { return !(*this == o); }
    std::string describe() const;  // "resolution 3, box x 0-60 y 0-60 z 0-30"
};

// Reads a text header line by line. Every error names the file and, where
// it helps, the line: "<path>: line 4: ...".
class HeaderReader {
public:
    HeaderReader(std::filesystem::path path, std::string content);

    const std::filesystem::path& path() const { return path_; }
    [[noreturn]] void failAtLine(const std::string& problem) const;
    [[noreturn]] void failFile(const std::string& problem) const { fail(path_, problem); }

    // Checks the first line is "<magic> <version>" with a version this host reads.
    void expectMagic(std::string_view magic, int version, std::string_view what);

    // Next non-empty line; a missing line means the file was cut short.
    std::string_view nextLine(std::string_view expected);
    bool atEnd();  // true when only empty lines remain
    // True when the next non-empty line is "Key: ..." (an optional key); reads nothing.
    bool nextKeyIs(std::string_view key);

    // "Key: value" with exactly this key; returns the value without surrounding blanks.
    std::string value(std::string_view key);
    long long integer(std::string_view key, long long minimum, long long maximum);
    std::vector<long long> integers(std::string_view key, std::size_t count, long long minimum,
                                    long long maximum);
    // Finite numbers only, unless `finiteOnly` is false (then also nan, inf, -inf).
    float number(std::string_view key, bool finiteOnly = true);
    std::vector<float> numbers(std::string_view key, std::size_t count, bool finiteOnly = true);
    // One of `choices` (returns its index).
    int choice(std::string_view key, const std::vector<std::string>& choices);

    // Integers on a bare line ("10000 11000"); exactly `count` of them.
    std::vector<long long> integerLine(std::size_t count, std::string_view expected, long long minimum,
                                       long long maximum);

    // Expects the "BinaryData:" line and returns the bytes after it, which must
    // number exactly `expectedBytes`.
    std::string_view binaryPayload(std::size_t expectedBytes, std::string_view what);

    // Reads "BoundingBox: xs xe ys ye zs ze" and "Resolution: r" as a grid,
    // refusing empty or inverted boxes.
    FunctionalGrid grid();

private:
    std::string_view rawLine();  // next line or npos-like empty with eof_
    std::filesystem::path path_;
    std::string content_;
    std::size_t pos_ = 0;
    int line_ = 0;
};

// Parses one whole integer / finite float; false on junk.
bool parseInteger(std::string_view text, long long& out);
bool parseFloat(std::string_view text, float& out, bool finiteOnly = true);
std::vector<std::string_view> splitBlanks(std::string_view text);

// Appends the grid's two header lines.
void writeGrid(std::string& out, const FunctionalGrid& grid);

// Writes the bytes whole or not at all (temporary file, then rename).
void saveBytes(const std::filesystem::path& path, const std::string& bytes);

// Little-endian raw bytes of a float / uint8 array (the host is little-endian).
void appendFloats(std::string& out, const float* values, std::size_t count);

}  // namespace talvora::formats
