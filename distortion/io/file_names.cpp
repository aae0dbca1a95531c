#include "distortion/io/file_names.h"

namespace distortion::io {

std::string replaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t dot = path.rfind('.');
    return (dot == std::string::npos ? path : path.substr(0, dot)) + "." + extension;
}

std::string insertSuffix(const std::string& path, const std::string& suffix) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool isFMR(const std::string& path) {
    return endsWith(path, ".fmr");
}
bool isDMR(const std::string& path) {
    return endsWith(path, ".dmr");
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty()) lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace distortion::io
