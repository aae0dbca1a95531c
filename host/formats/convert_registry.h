// `talvora convert IN OUT`: the formats come from the file extensions (as in
// MRtrix3's mrconvert) and each pair of formats is one conversion function.
// The table of conversions and of their options is in conversions.cpp, one
// line each; a conversion lives in a file of its own.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace talvora::formats {

struct ConvertRequest {
    std::filesystem::path input, output;
    std::map<std::string, std::string> options;  // given options with a value: "--res" -> "2"
    std::set<std::string> flags;                 // given flags: "--hz"
    std::ostream* report = nullptr;              // what was done (resampling, choices); may be null

    std::optional<std::string> option(const std::string& name) const;
    bool flag(const std::string& name) const { return flags.count(name) > 0; }
    // A whole-number option within [minimum, maximum], or `fallback` when not
    // given; throws naming the option otherwise.
    int integerOption(const std::string& name, int minimum, int maximum, int fallback) const;
    // A line for the user (nothing when there is no report stream).
    void say(const std::string& line) const;
};

using ConvertFunction = void (*)(const ConvertRequest&);

struct Conversion {
    const char* from;     // format key of the input, see formatKey()
    const char* to;       // format key of the output
    ConvertFunction run;  // reads the input, writes the output whole or not at all
    const char* options;  // blank-separated options it takes, e.g. "--res --anatomy"
    const char* summary;  // one line for the help text
};

struct ConvertOptionSpec {
    const char* name;  // "--res"
    bool isFlag;       // true: takes no value
    const char* help;
};

const std::vector<Conversion>& conversions();
const std::vector<ConvertOptionSpec>& convertOptions();

// "nii" for .nii and .nii.gz, otherwise the extension in lower case without
// its dot ("vtc"); empty when the name has none.
std::string formatKey(const std::filesystem::path& path);

// Finds the conversion for the two extensions and runs it. Throws
// std::runtime_error for an unknown pair (listing the known ones), for an
// option the conversion does not take, for the same file as input and
// output, and whatever the conversion throws.
void runConversion(const ConvertRequest& request);

// "nii -> vtc  (--res --anatomy)  BOLD run to ..." lines for the help text.
std::string describeConversions();

}  // namespace talvora::formats
