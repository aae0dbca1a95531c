#pragma once
// Tab-separated tables as BIDS writes them (participants.tsv, events.tsv,
// *_dseg.tsv): a header row, then rows of the same width.

#include <filesystem>
#include <string>
#include <vector>

namespace bids::layout {

struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;

    // The index of a column, or -1.
    int column(const std::string& name) const;
};

// Throws std::runtime_error naming the file: unreadable, no header, a row of
// another width than the header. Line ends "\n" or "\r\n"; blank lines at the
// end are ignored.
Table readTable(const std::filesystem::path& path);

}  // namespace bids::layout
