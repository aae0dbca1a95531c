#include "host/bids/atlas_labels.h"

#include "host/bids/bids_sidecar.h"
#include "host/bids/bids_table.h"
#include "host/formats/format_io.h"

#include <sstream>
#include <system_error>

namespace talvora::bids {
namespace fs = std::filesystem;
namespace {
constexpr std::uint64_t kMaxTableBytes = 64ull << 20;

void addLabel(std::map<long long, std::string>& labels, const fs::path& table, int line, long long index,
              const std::string& name) {
    const std::string where = "line " + std::to_string(line) + ": ";
    if (name.empty()) formats::fail(table, where + "label " + std::to_string(index) + " has no name");
    if (!labels.emplace(index, name).second)
        formats::fail(table, where + "label " + std::to_string(index) + " is named twice");
}

std::map<long long, std::string> readBidsLabels(const fs::path& path) {
    const BidsTable table = readBidsTable(path);
    const int index = table.column("index"), name = table.column("name");
    if (index < 0 || name < 0) formats::fail(path, "a label table needs the columns \"index\" and \"name\"");
    std::map<long long, std::string> labels;
    for (const TableRow& row : table.rows) {
        long long value = 0;
        const std::string& cell = row.cells[static_cast<std::size_t>(index)];
        if (!formats::parseInteger(cell, value))
            table.failAt(row, "index \"" + cell + "\" is not a whole number");
        addLabel(labels, path, row.line, value, row.cells[static_cast<std::size_t>(name)]);
    }
    return labels;
}

std::map<long long, std::string> readColourTable(const fs::path& path, const std::string& text) {
    std::map<long long, std::string> labels;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const auto hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        const auto parts = formats::splitBlanks(line);
        if (parts.empty()) continue;
        long long index = 0;
        if (parts.size() < 2 || !formats::parseInteger(parts[0], index))
            formats::fail(path, "line " + std::to_string(lineNumber) +
                                    ": expected \"index name R G B A\" (a FreeSurfer colour table)");
        std::string name(parts[1]);
        while (!name.empty() && name.back() == '\r') name.pop_back();
        addLabel(labels, path, lineNumber, index, name);
    }
    return labels;
}
}  // namespace

std::map<long long, std::string> readAtlasLabels(const fs::path& table) {
    const std::string text = formats::readWholeFile(table, kMaxTableBytes);
    // A BIDS table starts with a header line naming its tab-separated columns.
    const std::string first = text.substr(0, text.find('\n'));
    if (first.find('\t') != std::string::npos && first.find("index") != std::string::npos &&
        first.find('#') == std::string::npos)
        return readBidsLabels(table);
    return readColourTable(table, text);
}

fs::path labelsBesideAtlas(const fs::path& atlas) {
    fs::path tsv = bidsSidecarPath(atlas);
    tsv.replace_extension(".tsv");
    std::error_code ec;
    return fs::exists(tsv, ec) ? tsv : fs::path();
}

}  // namespace talvora::bids
