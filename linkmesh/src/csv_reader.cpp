// Reads a connectivity matrix from a comma-separated text file.
// Dialect: one matrix row per line; values separated by commas, with optional
// spaces or tabs around them; LF or CRLF line ends; an optional UTF-8 byte
// order mark; blank lines only after the last row. Numbers are read in the
// C locale (decimal point '.'), whatever the process locale is. Values too
// small for single precision become 0, whether or not double holds them.
// Text quoted in a message has its control bytes escaped, so that a carriage
// return or a NUL byte in a file cannot garble or cut the message.
#include "linkmesh/linkmesh.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace linkmesh {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& problem) {
    throw Error(path + ": " + problem);
}

// column 0: the problem concerns the whole line.
[[noreturn]] void fail_at(const std::string& path, size_t line, size_t column, const std::string& problem) {
    std::ostringstream msg;
    msg << path << ", line " << line;
    if (column > 0) msg << ", column " << column;
    msg << ": " << problem;
    throw Error(msg.str());
}

std::string read_whole_file(const std::string& path) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) fail(path, std::string("cannot open the file (") + std::strerror(errno) + ")");
    std::string text;
    char buffer[1 << 16];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
    if (std::ferror(file.get()))
        fail(path, std::string("cannot read the file (") + std::strerror(errno) + ")");
    return text;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// 'text' with control bytes written as \r, \n, \t, \0 or \xNN.
std::string quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\0')
            out += "\\0";
        else if (u < 0x20 || u == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "'";
}

// For a number that double cannot hold: whether its magnitude is below 1
// (an underflow) rather than above (an overflow), from the position of its
// first significant digit and its exponent.
bool is_underflow(std::string_view number) {
    if (!number.empty() && (number.front() == '-' || number.front() == '+')) number.remove_prefix(1);
    const size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
        for (const char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 1000000000LL);
        if (negative) exponent = -exponent;
    }
    const size_t point = std::min(mantissa.find('.'), mantissa.size());
    const size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return true;  // all zeros: never out of range
    const long long lead =
        first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    return lead + exponent < 0;
}

// Parses one field into a finite single-precision weight, non-negative
// unless the caller accepts any sign.
float parse_weight(std::string_view field, const std::string& path, size_t line, size_t column,
                   std::string_view whole_line, Weights weights) {
    const std::string_view text = trim(field);
    if (text.empty()) fail_at(path, line, column, "empty value");
    std::string_view digits = text;
    // from_chars rejects '+'; a second sign after it ("+-1") stays and is refused.
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const bool whole = end == digits.data() + digits.size();
    const bool too_small_for_double = ec == std::errc::result_out_of_range && whole && is_underflow(text);
    if (ec == std::errc::result_out_of_range && whole && !too_small_for_double)
        fail_at(path, line, column, quoted(text) + " is too large for single precision");
    if (too_small_for_double) {
        value = 0.0;  // like 1e-50, which double holds and single precision does not
    } else if (ec != std::errc() || !whole) {
        std::string problem = quoted(text) + " is not a number";
        const bool no_comma = whole_line.find(',') == std::string_view::npos;
        if (no_comma && whole_line.find(';') != std::string_view::npos)
            problem += " (values must be separated by commas, not semicolons)";
        else if (text.find_first_of(" \t") != std::string_view::npos)
            problem += " (values must be separated by commas, not spaces or tabs)";
        else if (text.find('\r') != std::string_view::npos)
            problem += " (lines must end in LF or CRLF, not in CR alone)";
        fail_at(path, line, column, problem);
    }
    if (!std::isfinite(value)) fail_at(path, line, column, quoted(text) + " is not a finite number");
    const bool negative = value < 0.0 || (too_small_for_double && text.front() == '-');
    if (negative && weights == Weights::non_negative)
        fail_at(path, line, column, "negative weight " + std::string(text));
    // Anything below FLT_MAX plus half its spacing still rounds to FLT_MAX.
    constexpr double kFloatOverflow = 0x1.ffffffp127;
    if (std::fabs(value) >= kFloatOverflow)
        fail_at(path, line, column, quoted(text) + " is too large for single precision");
    return static_cast<float>(value) + 0.0f;  // + 0 turns -0 into 0
}

}  // namespace

Eigen::MatrixXf from_csv(const std::string& path, Weights weights) {
    std::string text = read_whole_file(path);
    if (text.empty()) fail(path, "the file is empty");
    std::string_view rest(text);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);

    std::vector<float> values;  // row-major
    size_t columns = 0, rows = 0, line = 0, first_blank_line = 0;
    while (!rest.empty()) {
        const size_t newline = rest.find('\n');
        std::string_view row = rest.substr(0, newline);
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
        ++line;
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        if (trim(row).empty()) {
            if (first_blank_line == 0) first_blank_line = line;
            continue;
        }
        if (first_blank_line != 0)
            fail_at(path, first_blank_line, 0, "empty line before the last row of the matrix");
        size_t count = 0;
        std::string_view fields = row;
        while (true) {
            const size_t comma = fields.find(',');
            ++count;
            values.push_back(parse_weight(fields.substr(0, comma), path, line, count, row, weights));
            if (comma == std::string_view::npos) break;
            fields.remove_prefix(comma + 1);
        }
        ++rows;
        if (rows == 1) {
            columns = count;
        } else if (count != columns) {
            std::ostringstream msg;
            msg << "the row has " << count << " values but the first row has " << columns;
            fail_at(path, line, 0, msg.str());
        }
    }
    if (rows == 0) fail(path, "the file holds no values");
    if (rows != columns) {
        std::ostringstream msg;
        msg << "the matrix is not square (" << rows << " rows, " << columns << " columns)";
        fail(path, msg.str());
    }
    Eigen::MatrixXf out(static_cast<Eigen::Index>(rows), static_cast<Eigen::Index>(columns));
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < columns; ++j)
            out(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = values[i * columns + j];
    return out;
}

}  // namespace linkmesh
