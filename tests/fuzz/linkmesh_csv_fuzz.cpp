// linkmesh's matrix reader against a plain reference reader of the same
// dialect: optional UTF-8 byte order mark; rows on lines (LF or CRLF); values
// separated by commas with optional blanks around them; decimal numbers
// ([sign] digits [. digits] [e [sign] digits], C locale), finite and within
// single precision; blank lines only after the last row; square. Both accept
// the same files and read the same values, in both sign modes.
#include "fuzz_support.h"
#include "linkmesh/linkmesh.h"

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using fuzz_support::finding;

namespace {

bool decimal(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponent = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == s.size();
}

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

// Values row-major with the side, or nullopt when refused. `tiny` is set
// when a value underflows double precision (readers may round or refuse).
std::optional<std::pair<std::size_t, std::vector<float>>> reference(std::string text, bool anySign,
                                                                    bool& tiny) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::vector<std::vector<float>> rows;
    bool blankSeen = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trimmed(line).empty()) {
            blankSeen = true;
            continue;
        }
        if (blankSeen) return std::nullopt;
        std::vector<float> row;
        std::size_t from = 0;
        while (true) {
            const std::size_t comma = line.find(',', from);
            const std::string field =
                trimmed(line.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (!decimal(field)) return std::nullopt;
            errno = 0;
            const double value = std::strtod(field.c_str(), nullptr);
            if (errno == ERANGE && std::fabs(value) < 1.0) tiny = true;
            if (!std::isfinite(value) || std::fabs(value) >= 0x1.ffffffp127) return std::nullopt;
            if (value < 0.0 && !anySign) return std::nullopt;
            row.push_back(static_cast<float>(value) + 0.0f);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        if (!rows.empty() && row.size() != rows[0].size()) return std::nullopt;
        rows.push_back(std::move(row));
    }
    if (rows.empty() || rows.size() != rows[0].size()) return std::nullopt;
    std::vector<float> values;
    for (const auto& row : rows) values.insert(values.end(), row.begin(), row.end());
    return std::make_pair(rows.size(), values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::setlocale(LC_ALL, "C");
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto path = fuzz_support::writeInput("matrix.csv", data, size);
    for (const bool anySign : {false, true}) {
        bool tiny = false;
        const auto expected = reference(text, anySign, tiny);
        std::optional<Eigen::MatrixXf> read;
        try {
            read = linkmesh::from_csv(
                path.string(), anySign ? linkmesh::Weights::any_finite : linkmesh::Weights::non_negative);
        } catch (const linkmesh::Error& e) {
            if (std::string(e.what()).rfind(path.string(), 0) != 0)
                finding(std::string("unnamed error: ") + e.what());
        }
        if (tiny) continue;  // underflow: rounding to 0 and refusing are both defensible
        if (read.has_value() != expected.has_value())
            finding(std::string("the reader ") + (read ? "accepted" : "refused") +
                    " a matrix the reference " + (expected ? "accepts" : "refuses"));
        if (!read) continue;
        const std::size_t n = expected->first;
        if (static_cast<std::size_t>(read->rows()) != n || static_cast<std::size_t>(read->cols()) != n)
            finding("different size");
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                if ((*read)(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) !=
                    expected->second[i * n + j])
                    finding("different value at " + std::to_string(i) + ", " + std::to_string(j));
    }
    return 0;
}
