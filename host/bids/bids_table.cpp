#include "host/bids/bids_table.h"

#include "host/formats/format_io.h"

#include <charconv>
#include <cmath>

namespace talvora::bids {
namespace {
// Event and label tables of real studies are a few megabytes at most.
constexpr std::uint64_t kMaxTableBytes = 256ull << 20;

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ') ++first;
    return text.substr(first);
}
}  // namespace

int BidsTable::column(const std::string& name) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name) return static_cast<int>(i);
    return -1;
}

void BidsTable::failAt(const TableRow& row, const std::string& problem) const {
    formats::fail(path, "line " + std::to_string(row.line) + ": " + problem);
}

BidsTable readBidsTable(const std::filesystem::path& path) {
    const std::string content = formats::readWholeFile(path, kMaxTableBytes);
    BidsTable table;
    table.path = path;
    std::size_t pos = 0;
    int lineNumber = 0;
    bool haveHeader = false;
    while (pos < content.size()) {
        const std::size_t end = content.find('\n', pos);
        std::string line = content.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? content.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trimmed(line).empty()) continue;
        std::vector<std::string> cells = splitTabs(line);
        for (std::string& c : cells) c = trimmed(std::move(c));
        if (!haveHeader) {
            // A UTF-8 byte order mark would otherwise stick to the first name.
            if (cells[0].rfind("\xEF\xBB\xBF", 0) == 0) cells[0].erase(0, 3);
            table.columns = std::move(cells);
            haveHeader = true;
            continue;
        }
        if (cells.size() != table.columns.size())
            formats::fail(path, "line " + std::to_string(lineNumber) + ": " + std::to_string(cells.size()) +
                                    " tab-separated values where the header names " +
                                    std::to_string(table.columns.size()) + " columns");
        table.rows.push_back({lineNumber, std::move(cells)});
    }
    if (!haveHeader) formats::fail(path, "the table is empty (no header line)");
    return table;
}

bool parseFiniteNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    const char* first = text.data();
    if (*first == '+') ++first;
    const auto result = std::from_chars(first, text.data() + text.size(), out);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(out);
}

}  // namespace talvora::bids
