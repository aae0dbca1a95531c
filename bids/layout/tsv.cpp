#include "bids/layout/tsv.h"

#include <fstream>
#include <stdexcept>

namespace bids::layout {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const auto cut = line.find('\t', start);
        cells.push_back(line.substr(start, cut - start));
        if (cut == std::string::npos) return cells;
        start = cut + 1;
    }
}

}  // namespace

int Table::column(const std::string& name) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name) return static_cast<int>(i);
    return -1;
}

Table readTable(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path.string() + ": cannot be read");
    Table table;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty() || lines.front().empty()) throw std::runtime_error(path.string() + ": no header row");
    table.columns = splitTabs(lines.front());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto cells = splitTabs(lines[i]);
        if (cells.size() != table.columns.size())
            throw std::runtime_error(path.string() + ": line " + std::to_string(i + 1) + " has " +
                                     std::to_string(cells.size()) + " columns, the header " +
                                     std::to_string(table.columns.size()));
        table.rows.push_back(std::move(cells));
    }
    return table;
}

}  // namespace bids::layout
