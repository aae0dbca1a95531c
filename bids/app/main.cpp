// talvora-bids: the BIDS App of the four analyses.
#include <iostream>

#include "bids/app/analyses.h"
#include "bids/app/options.h"
#include "bids/app/runner.h"

int main(int argc, char** argv) {
    bids::app::Options options;
    if (const auto stop = bids::app::parseOptions(argc, argv, options, std::cout, std::cerr)) return *stop;
    return bids::app::runApp(options, bids::app::builtInAnalyses(), std::cout, std::cerr);
}
