// A BIDS tabular file (".tsv"): a header line of column names, then rows of
// tab-separated cells. Used for events and for atlas label tables.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace talvora::bids {

struct TableRow {
    int line = 0;  // 1-based line of the file, for messages
    std::vector<std::string> cells;
};

struct BidsTable {
    std::filesystem::path path;
    std::vector<std::string> columns;
    std::vector<TableRow> rows;

    // Index of the column, or -1 when the file has none of that name.
    int column(const std::string& name) const;
    // Throws "<path>: line N: <problem>".
    [[noreturn]] void failAt(const TableRow& row, const std::string& problem) const;
};

// Reads a tab-separated table; every row must have as many cells as the
// header. Empty lines are skipped, "\r\n" line ends accepted. Throws
// std::runtime_error naming the file (and the line) on any fault.
BidsTable readBidsTable(const std::filesystem::path& path);

// A whole decimal or exponent number with nothing around it; false otherwise
// (also for "n/a", blanks, inf and nan).
bool parseFiniteNumber(const std::string& text, double& out);

}  // namespace talvora::bids
