#include "host/bids/events_to_protocol.h"

#include "host/formats/format_io.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <ostream>
#include <set>
#include <sstream>

namespace talvora::bids {
namespace {
using formats::ProtocolFile;

constexpr std::size_t kMaxConditions = 1000;  // what a protocol file holds
constexpr std::size_t kMaxIntervals = 100000;
constexpr const char* kUntypedCondition = "n/a";

// Seconds to whole milliseconds, refusing times a protocol cannot hold.
std::int32_t toMilliseconds(const BidsTable& table, const TableRow& row, double seconds, const char* what) {
    const double ms = std::round(seconds * 1000.0);
    if (!(ms <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
        table.failAt(row,
                     std::string(what) + " " + std::to_string(seconds) + " s is too late for a protocol");
    return static_cast<std::int32_t>(ms);
}

double numberAt(const BidsTable& table, const TableRow& row, int column) {
    double value = 0.0;
    const std::string& cell = row.cells[static_cast<std::size_t>(column)];
    if (!parseFiniteNumber(cell, value))
        table.failAt(row, "\"" + table.columns[static_cast<std::size_t>(column)] + "\" value \"" + cell +
                              "\" is not a number");
    return value;
}

struct Event {
    std::int32_t startMs = 0, endMs = 0;
};

// The volume (counted from 1) acquired nearest to `ms`, the first volume at
// time 0; halves go to the later volume. The same rule turns a protocol in
// milliseconds into volumes elsewhere in the system, so both routes agree.
std::int32_t nearestVolumeIndex(std::int32_t ms, double trMs) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(ms) / trMs + 0.5));
}

void toVolumes(formats::ProtocolCondition& condition, double trMs) {
    for (std::size_t i = 0; i < condition.starts.size(); ++i) {
        const std::int32_t first = nearestVolumeIndex(condition.starts[i], trMs) + 1;
        const std::int32_t last = std::max(first, nearestVolumeIndex(condition.ends[i], trMs));
        condition.starts[i] = first;
        condition.ends[i] = last;
    }
}

void sortByStart(formats::ProtocolCondition& condition) {
    std::vector<std::size_t> order(condition.starts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return condition.starts[a] < condition.starts[b]; });
    std::vector<std::int32_t> starts, ends;
    for (std::size_t i : order) {
        starts.push_back(condition.starts[i]);
        ends.push_back(condition.ends[i]);
    }
    condition.starts = std::move(starts);
    condition.ends = std::move(ends);
}

Event readEvent(const BidsTable& table, const TableRow& row, int onsetColumn, int durationColumn,
                std::size_t& unknownDurations) {
    const double onset = numberAt(table, row, onsetColumn);
    if (onset < 0.0)
        table.failAt(row, "onset " + row.cells[static_cast<std::size_t>(onsetColumn)] +
                              " lies before the run starts (a protocol holds no negative times)");
    double duration = 0.0;
    if (row.cells[static_cast<std::size_t>(durationColumn)] == "n/a")
        ++unknownDurations;
    else
        duration = numberAt(table, row, durationColumn);
    if (duration < 0.0)
        table.failAt(row, "duration " + row.cells[static_cast<std::size_t>(durationColumn)] + " is negative");
    return {toMilliseconds(table, row, onset, "onset"),
            toMilliseconds(table, row, onset + duration, "the end")};
}

int requiredColumn(const BidsTable& table, const std::string& name) {
    const int column = table.column(name);
    if (column < 0) {
        std::string names;
        for (const std::string& c : table.columns) names += (names.empty() ? "\"" : ", \"") + c + "\"";
        formats::fail(table.path, "no \"" + name + "\" column (the header names " + names + ")");
    }
    return column;
}
}  // namespace

formats::Rgb conditionColor(std::size_t index) {
    // A qualitative palette first, then hues a golden angle apart, each at
    // one of three brightness levels, so neighbours never look alike.
    static const formats::Rgb palette[] = {{31, 119, 180},  {255, 127, 14}, {44, 160, 44},   {214, 39, 40},
                                           {148, 103, 189}, {140, 86, 75},  {227, 119, 194}, {127, 127, 127},
                                           {188, 189, 34},  {23, 190, 207}};
    constexpr std::size_t kPalette = sizeof(palette) / sizeof(palette[0]);
    if (index < kPalette) return palette[index];
    const std::size_t k = index - kPalette;
    const double hue = std::fmod(static_cast<double>(k) * 137.50776405, 360.0) / 60.0;
    const double value = 1.0 - 0.25 * static_cast<double>(k % 3);
    const double x = 1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
        case 0:
            r = 1, g = x;
            break;
        case 1:
            r = x, g = 1;
            break;
        case 2:
            g = 1, b = x;
            break;
        case 3:
            g = x, b = 1;
            break;
        case 4:
            r = x, b = 1;
            break;
        default:
            r = 1, b = x;
            break;
    }
    auto level = [&](double c) {
        return static_cast<std::uint8_t>(std::lround(255.0 * value * (0.15 + 0.85 * c)));
    };
    return {level(r), level(g), level(b)};
}

EventsConversion protocolFromEvents(const BidsTable& table, const EventsOptions& options) {
    const bool volumes = options.unit == ProtocolFile::TimeUnit::Volumes;
    if (volumes && !(options.trMs > 0.0)) formats::fail(table.path, "events in volumes need a positive --tr");
    const int onsetColumn = requiredColumn(table, "onset");
    const int durationColumn = requiredColumn(table, "duration");
    const int typeColumn = table.column("trial_type");

    EventsConversion result;
    result.protocol.timeUnit = options.unit;
    std::map<std::string, std::size_t> conditionOf;
    std::vector<formats::ProtocolCondition>& conditions = result.protocol.conditions;
    formats::ProtocolCondition untyped;
    untyped.name = typeColumn < 0 ? "Events" : kUntypedCondition;
    std::size_t unknownDurations = 0;
    for (const TableRow& row : table.rows) {
        const Event event = readEvent(table, row, onsetColumn, durationColumn, unknownDurations);
        std::string type = typeColumn < 0 ? "" : row.cells[static_cast<std::size_t>(typeColumn)];
        if (type == kUntypedCondition) type.clear();
        formats::ProtocolCondition* condition = &untyped;
        if (!type.empty()) {
            if (type.size() > 255) table.failAt(row, "trial_type is longer than 255 characters");
            auto [it, added] = conditionOf.try_emplace(type, conditions.size());
            if (added) {
                if (conditions.size() == kMaxConditions)
                    table.failAt(row, "more than " + std::to_string(kMaxConditions) + " trial types");
                conditions.push_back({type, {}, {}});
            }
            condition = &conditions[it->second];
        }
        if (condition->starts.size() == kMaxIntervals)
            table.failAt(row, "more than " + std::to_string(kMaxIntervals) + " events of one condition");
        condition->starts.push_back(event.startMs);
        condition->ends.push_back(event.endMs);
    }
    if (conditions.empty() && untyped.starts.empty()) untyped.name = "Events";
    if (!untyped.starts.empty() || conditions.empty()) {
        if (typeColumn >= 0 && !untyped.starts.empty())
            result.notes.push_back(std::to_string(untyped.starts.size()) +
                                   " events without a trial type (\"n/a\") form the condition \"n/a\"");
        conditions.push_back(std::move(untyped));
    }
    if (unknownDurations > 0)
        result.notes.push_back(std::to_string(unknownDurations) +
                               " events of unknown duration (\"n/a\") are taken as instants");
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        sortByStart(conditions[c]);
        if (volumes) toVolumes(conditions[c], options.trMs);
        conditions[c].color = conditionColor(c);
    }
    return result;
}

void convertEventsToProtocol(const std::filesystem::path& events, const std::filesystem::path& protocol,
                             const EventsOptions& options, std::ostream& report) {
    if (options.trMs < 0.0 || !std::isfinite(options.trMs))
        formats::fail(events, "--tr must be a positive number of milliseconds");
    const EventsConversion conversion = protocolFromEvents(readBidsTable(events), options);
    formats::writeProtocolFile(protocol, conversion.protocol);
    for (const std::string& note : conversion.notes) report << events.string() << ": " << note << '\n';
    std::size_t intervals = 0;
    for (const auto& c : conversion.protocol.conditions) intervals += c.starts.size();
    report << protocol.string() << ": " << conversion.protocol.conditions.size() << " conditions, "
           << intervals << " intervals in "
           << (options.unit == formats::ProtocolFile::TimeUnit::Volumes ? "volumes" : "milliseconds") << '\n';
}

void convertEventsTable(const formats::ConvertRequest& request) {
    EventsOptions options;
    if (const auto unit = request.option("--unit")) {
        if (*unit == "volumes")
            options.unit = ProtocolFile::TimeUnit::Volumes;
        else if (*unit != "ms")
            formats::fail(request.input, "--unit must be ms or volumes, not \"" + *unit + "\"");
    }
    if (const auto tr = request.option("--tr")) {
        double value = 0.0;
        if (!parseFiniteNumber(*tr, value) || value <= 0.0)
            formats::fail(request.input,
                          "--tr must be a positive number of milliseconds, not \"" + *tr + "\"");
        options.trMs = value;
    }
    std::ostringstream report;
    convertEventsToProtocol(request.input, request.output, options, report);
    std::istringstream lines(report.str());
    for (std::string line; std::getline(lines, line);) request.say(line);
}

}  // namespace talvora::bids
