// The answer every measures program gives before it reads a file: no
// arguments is bad usage, and -h/--help anywhere asks only for the usage.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace linkmesh::cli {

// Returns the exit status when `args` ask for the usage (0, the text on
// `out`) or give nothing to do (2, the text on `err`); otherwise nothing,
// and the program goes on with its files.
inline std::optional<int> usageAnswer(const std::vector<std::string>& args, const char* usage,
                                      std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << usage;
        return 2;
    }
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out << usage;
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace linkmesh::cli
