// BIDS events ("*_events.tsv": onset and duration in seconds, optional
// trial_type) to the host's stimulation protocol.
#pragma once

#include "host/bids/bids_table.h"
#include "host/formats/convert_registry.h"
#include "host/formats/protocol_file.h"

#include <filesystem>
#include <string>
#include <vector>

namespace talvora::bids {

struct EventsOptions {
    double trMs = 0.0;  // repetition time; needed for volumes, checked when given
    formats::ProtocolFile::TimeUnit unit = formats::ProtocolFile::TimeUnit::Milliseconds;
};

struct EventsConversion {
    formats::ProtocolFile protocol;
    std::vector<std::string> notes;  // what the user should know (rounding, n/a rows)
};

// One condition per trial type in order of first appearance, intervals
// sorted by start; throws std::runtime_error "<path>: line N: ..." on bad
// input.
EventsConversion protocolFromEvents(const BidsTable& events, const EventsOptions& options);

// The n-th of a sequence of colours that stay apart from each other.
formats::Rgb conditionColor(std::size_t index);

// Reads EVENTS.tsv and writes the protocol whole (or nothing); prints the
// notes and a summary line to `report`.
void convertEventsToProtocol(const std::filesystem::path& events, const std::filesystem::path& protocol,
                             const EventsOptions& options, std::ostream& report);

// tsv -> prt for `talvora convert`: --tr MS, --unit ms|volumes (ms when
// not given).
void convertEventsTable(const formats::ConvertRequest& request);

}  // namespace talvora::bids
