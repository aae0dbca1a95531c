#include "host/formats/convert_registry.h"

#include "host/formats/format_io.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace talvora::formats {

std::optional<std::string> ConvertRequest::option(const std::string& name) const {
    const auto it = options.find(name);
    if (it == options.end()) return std::nullopt;
    return it->second;
}

int ConvertRequest::integerOption(const std::string& name, int minimum, int maximum, int fallback) const {
    const auto text = option(name);
    if (!text) return fallback;
    long long v = 0;
    if (!parseInteger(*text, v) || v < minimum || v > maximum)
        throw std::runtime_error(name + " must be a whole number from " + std::to_string(minimum) + " to " +
                                 std::to_string(maximum) + ", not \"" + *text + "\"");
    return static_cast<int>(v);
}

void ConvertRequest::say(const std::string& line) const {
    if (report) *report << line << '\n';
}

std::string formatKey(const fs::path& path) {
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto ends = [&](const std::string& tail) {
        return name.size() > tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (ends(".nii") || ends(".nii.gz")) return "nii";
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return "";
    return name.substr(dot + 1);
}

std::string describeConversions() {
    std::ostringstream out;
    for (const Conversion& c : conversions()) {
        out << "  " << c.from << " -> " << c.to << ": " << c.summary;
        if (*c.options) out << " [" << c.options << "]";
        out << '\n';
    }
    return out.str();
}

namespace {

const Conversion& findConversion(const ConvertRequest& r) {
    const std::string from = formatKey(r.input), to = formatKey(r.output);
    for (const Conversion& c : conversions())
        if (from == c.from && to == c.to) return c;
    std::ostringstream known;
    for (const Conversion& c : conversions()) known << "\n  ." << c.from << " -> ." << c.to;
    const auto shown = [](const std::string& key) {
        return key.empty() ? std::string("(no extension)") : "." + key;
    };
    throw std::runtime_error("no conversion from " + shown(from) + " (" + r.input.string() + ") to " +
                             shown(to) + " (" + r.output.string() + "); the known ones are:" + known.str());
}

void checkOptions(const Conversion& c, const ConvertRequest& r) {
    std::istringstream accepted(c.options);
    std::set<std::string> takes{std::istream_iterator<std::string>(accepted),
                                std::istream_iterator<std::string>()};
    std::vector<std::string> given;
    for (const auto& [name, value] : r.options) given.push_back(name);
    given.insert(given.end(), r.flags.begin(), r.flags.end());
    for (const std::string& name : given)
        if (!takes.count(name))
            throw std::runtime_error(std::string("option ") + name + " does not apply to converting ." +
                                     c.from + " to ." + c.to);
}

}  // namespace

void runConversion(const ConvertRequest& r) {
    const Conversion& c = findConversion(r);
    checkOptions(c, r);
    std::error_code ec;
    if (fs::equivalent(r.input, r.output, ec)) fail(r.output, "is the input itself; name another output");
    c.run(r);
}

}  // namespace talvora::formats
