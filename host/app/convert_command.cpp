#include "host/app/convert_command.h"

#include "host/formats/convert_registry.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <map>

namespace talvora::app {

namespace {

struct ConvertCli {
    std::string input, output;
    std::map<std::string, std::string> values;
    std::map<std::string, bool> flags;
    std::map<std::string, CLI::Option*> given;
};

ConvertCli& cli() {
    static ConvertCli state;
    return state;
}

}  // namespace

CLI::App* addConvertCommand(CLI::App& app) {
    auto* sub =
        app.add_subcommand("convert", "Convert NIfTI images and the host's documents, formats by extension");
    sub->footer("Conversions:\n" + formats::describeConversions());
    ConvertCli& state = cli();
    sub->add_option("input", state.input, "File to read")->required();
    sub->add_option("output", state.output, "File to write (whole or not at all)")->required();
    for (const formats::ConvertOptionSpec& spec : formats::convertOptions()) {
        if (spec.isFlag)
            state.given[spec.name] = sub->add_flag(spec.name, state.flags[spec.name], spec.help);
        else
            state.given[spec.name] = sub->add_option(spec.name, state.values[spec.name], spec.help);
    }
    return sub;
}

int runConvertCommand() {
    ConvertCli& state = cli();
    formats::ConvertRequest request;
    request.input = state.input;
    request.output = state.output;
    request.report = &std::cout;
    for (const formats::ConvertOptionSpec& spec : formats::convertOptions()) {
        if (state.given[spec.name]->count() == 0) continue;
        if (spec.isFlag)
            request.flags.insert(spec.name);
        else
            request.options[spec.name] = state.values[spec.name];
    }
    formats::runConversion(request);
    return 0;
}

}  // namespace talvora::app
