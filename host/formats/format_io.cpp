#include "host/formats/format_io.h"

#include "frame/atomic_file.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace talvora::formats {
namespace fs = std::filesystem;

void fail(const fs::path& path, const std::string& problem) {
    throw std::runtime_error(path.string() + ": " + problem);
}

std::uint64_t saturatingSize(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    if (b != 0 && a > (kMax - c) / b) return kMax;
    return a * b + c;
}

void requireRegularFile(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        fail(path, "cannot open the file for reading: " + (ec ? ec.message() : "no such file"));
    if (fs::is_directory(status)) fail(path, "is a folder, not a file");
    // A device or a pipe never ends (or blocks forever): only plain files are read.
    if (!fs::is_regular_file(status)) fail(path, "is not a regular file (a device, pipe or socket)");
}

std::string readWholeFile(const fs::path& path, std::uint64_t maxBytes) {
    requireRegularFile(path);
    std::error_code ec;
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec) fail(path, "cannot read the file's size: " + ec.message());
    const auto tooLarge = [&](std::uint64_t bytes) {
        fail(path, "the file holds " + std::to_string(bytes) + " bytes, more than its format can hold (" +
                       std::to_string(maxBytes) + ")");
    };
    if (size > maxBytes) tooLarge(size);
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, "cannot open the file for reading");
    // Read what the size promised; a file that grew meanwhile is not read half.
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (in.bad() || static_cast<std::uint64_t>(in.gcount()) != size) fail(path, "read error");
    if (in.peek() != std::char_traits<char>::eof()) fail(path, "the file grew while it was read");
    return bytes;
}

std::string formatFloat(float value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FunctionalGrid::describe() const {
    return "resolution " + std::to_string(resolution) + ", box x " + std::to_string(xStart) + "-" +
           std::to_string(xEnd) + " y " + std::to_string(yStart) + "-" + std::to_string(yEnd) + " z " +
           std::to_string(zStart) + "-" + std::to_string(zEnd);
}

bool parseInteger(std::string_view text, long long& out) {
    if (text.empty()) return false;
    const char* first = text.data();
    if (*first == '+') ++first;
    auto result = std::from_chars(first, text.data() + text.size(), out);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool parseFloat(std::string_view text, float& out, bool finiteOnly) {
    if (text.empty()) return false;
    const char* first = text.data();
    if (*first == '+') ++first;
    auto result = std::from_chars(first, text.data() + text.size(), out);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           (!finiteOnly || std::isfinite(out));
}

std::vector<std::string_view> splitBlanks(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) parts.push_back(text.substr(start, i - start));
    }
    return parts;
}

namespace {
std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}
std::string shownText(std::string_view s) {
    constexpr std::size_t kShown = 60;
    std::string text(s.substr(0, kShown));
    // Binary junk is shown as '?' so the message stays one readable line.
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    if (s.size() > kShown) text += "...";
    return "\"" + text + "\"";
}
}  // namespace

HeaderReader::HeaderReader(fs::path path, std::string content)
    : path_(std::move(path)), content_(std::move(content)) {}

void HeaderReader::failAtLine(const std::string& problem) const {
    fail(path_, "line " + std::to_string(line_) + ": " + problem);
}

std::string_view HeaderReader::rawLine() {
    const std::size_t end = content_.find('\n', pos_);
    std::string_view line;
    if (end == std::string::npos) {
        line = std::string_view(content_).substr(pos_);
        pos_ = content_.size();
    } else {
        line = std::string_view(content_).substr(pos_, end - pos_);
        pos_ = end + 1;
    }
    ++line_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

void HeaderReader::expectMagic(std::string_view magic, int version, std::string_view what) {
    if (content_.empty()) fail(path_, "the file is empty");
    const std::string_view first = trim(rawLine());
    const auto parts = splitBlanks(first);
    if (parts.size() != 2 || parts[0] != magic)
        fail(path_, "not a " + std::string(what) + " (the first line must be \"" + std::string(magic) + " " +
                        std::to_string(version) + "\", found " + shownText(first) + ")");
    long long v = 0;
    if (!parseInteger(parts[1], v) || v != version)
        fail(path_, "unsupported " + std::string(what) + " version " + shownText(parts[1]) +
                        " (this host reads version " + std::to_string(version) + ")");
}

bool HeaderReader::atEnd() {
    while (pos_ < content_.size()) {
        const std::size_t savedPos = pos_;
        const int savedLine = line_;
        if (!trim(rawLine()).empty()) {
            pos_ = savedPos;
            line_ = savedLine;
            return false;
        }
    }
    return true;
}

bool HeaderReader::nextKeyIs(std::string_view key) {
    if (atEnd()) return false;
    const std::size_t savedPos = pos_;
    const int savedLine = line_;
    const std::string_view line = trim(rawLine());
    pos_ = savedPos;
    line_ = savedLine;
    return line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ':';
}

std::string_view HeaderReader::nextLine(std::string_view expected) {
    while (pos_ < content_.size()) {
        const std::string_view line = trim(rawLine());
        if (!line.empty()) return line;
    }
    fail(path_, "the file ends early: " + std::string(expected) + " is missing (truncated file?)");
}

std::string HeaderReader::value(std::string_view key) {
    const std::string expected = "\"" + std::string(key) + ":\"";
    const std::string_view line = nextLine(expected);
    if (line.size() < key.size() + 1 || line.substr(0, key.size()) != key || line[key.size()] != ':')
        failAtLine("expected " + expected + ", found " + shownText(line));
    return std::string(trim(line.substr(key.size() + 1)));
}

long long HeaderReader::integer(std::string_view key, long long minimum, long long maximum) {
    return integers(key, 1, minimum, maximum)[0];
}

std::vector<long long> HeaderReader::integers(std::string_view key, std::size_t count, long long minimum,
                                              long long maximum) {
    const std::string text = value(key);
    const auto parts = splitBlanks(text);
    const std::string label = "\"" + std::string(key) + "\"";
    if (parts.size() != count)
        failAtLine(label + " needs " + std::to_string(count) +
                   (count == 1 ? " whole number" : " whole numbers") + ", found " + shownText(text));
    std::vector<long long> values;
    for (std::string_view p : parts) {
        long long v = 0;
        if (!parseInteger(p, v)) failAtLine(label + ": " + shownText(p) + " is not a whole number");
        if (v < minimum || v > maximum)
            failAtLine(label + ": " + std::to_string(v) + " is outside " + std::to_string(minimum) + " ... " +
                       std::to_string(maximum));
        values.push_back(v);
    }
    return values;
}

float HeaderReader::number(std::string_view key, bool finiteOnly) {
    return numbers(key, 1, finiteOnly)[0];
}

std::vector<float> HeaderReader::numbers(std::string_view key, std::size_t count, bool finiteOnly) {
    const std::string text = value(key);
    const auto parts = splitBlanks(text);
    const std::string label = "\"" + std::string(key) + "\"";
    if (parts.size() != count)
        failAtLine(label + " needs " + std::to_string(count) + (count == 1 ? " number" : " numbers") +
                   ", found " + shownText(text));
    std::vector<float> values;
    for (std::string_view p : parts) {
        float v = 0;
        if (!parseFloat(p, v, finiteOnly))
            failAtLine(label + ": " + shownText(p) +
                       (finiteOnly ? " is not a finite number" : " is not a number"));
        values.push_back(v);
    }
    return values;
}

int HeaderReader::choice(std::string_view key, const std::vector<std::string>& choices) {
    const std::string text = value(key);
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (text == choices[i]) return static_cast<int>(i);
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i) list += (i ? " or \"" : "\"") + choices[i] + "\"";
    failAtLine("\"" + std::string(key) + "\" must be " + list + ", found " + shownText(text));
}

std::vector<long long> HeaderReader::integerLine(std::size_t count, std::string_view expected,
                                                 long long minimum, long long maximum) {
    const std::string_view line = nextLine(expected);
    const auto parts = splitBlanks(line);
    if (parts.size() != count)
        failAtLine("expected " + std::string(expected) + " (" + std::to_string(count) +
                   " whole numbers), found " + shownText(line));
    std::vector<long long> values;
    for (std::string_view p : parts) {
        long long v = 0;
        if (!parseInteger(p, v))
            failAtLine(shownText(p) + " is not a whole number (in " + std::string(expected) + ")");
        if (v < minimum || v > maximum)
            failAtLine(std::to_string(v) + " is outside " + std::to_string(minimum) + " ... " +
                       std::to_string(maximum) + " (in " + std::string(expected) + ")");
        values.push_back(v);
    }
    return values;
}

std::string_view HeaderReader::binaryPayload(std::size_t expectedBytes, std::string_view what) {
    // The marker line is read raw: the payload right after it may start with
    // bytes that look like blanks or line ends.
    if (pos_ >= content_.size())
        fail(path_, "the file ends early: \"BinaryData:\" and the " + std::string(what) +
                        " are missing (truncated file?)");
    std::string_view line;
    do {
        line = trim(rawLine());
    } while (line.empty() && pos_ < content_.size());
    if (line != "BinaryData:") failAtLine("expected \"BinaryData:\", found " + shownText(line));
    const std::size_t have = content_.size() - pos_;
    if (have < expectedBytes)
        fail(path_, "truncated: the header announces " + std::to_string(expectedBytes) + " bytes of " +
                        std::string(what) + " but the file holds " + std::to_string(have));
    if (have > expectedBytes)
        fail(path_, "the file holds " + std::to_string(have) + " bytes of " + std::string(what) +
                        " but the header announces " + std::to_string(expectedBytes));
    return std::string_view(content_).substr(pos_);
}

FunctionalGrid HeaderReader::grid() {
    FunctionalGrid g;
    g.resolution = static_cast<int>(integer("Resolution", 1, 16));
    const auto box = integers("BoundingBox", 6, 0, 32767);
    g.xStart = static_cast<int>(box[0]);
    g.xEnd = static_cast<int>(box[1]);
    g.yStart = static_cast<int>(box[2]);
    g.yEnd = static_cast<int>(box[3]);
    g.zStart = static_cast<int>(box[4]);
    g.zEnd = static_cast<int>(box[5]);
    if (g.dimX() < 1 || g.dimY() < 1 || g.dimZ() < 1)
        failAtLine("the bounding box holds no functional voxel (" + g.describe() + ")");
    return g;
}

void writeGrid(std::string& out, const FunctionalGrid& g) {
    out += "Resolution: " + std::to_string(g.resolution) + "\n";
    out += "BoundingBox: " + std::to_string(g.xStart) + " " + std::to_string(g.xEnd) + " " +
           std::to_string(g.yStart) + " " + std::to_string(g.yEnd) + " " + std::to_string(g.zStart) + " " +
           std::to_string(g.zEnd) + "\n";
}

void saveBytes(const fs::path& path, const std::string& bytes) {
    tl::writeFileAtomically(path, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
}

void appendFloats(std::string& out, const float* values, std::size_t count) {
    static_assert(sizeof(float) == 4, "32-bit floats expected");
    const std::size_t at = out.size();
    out.resize(at + count * 4);
    if (count) std::memcpy(&out[at], values, count * 4);
}

}  // namespace talvora::formats
