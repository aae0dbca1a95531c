// nodora-measures: prints every graph measure of the subjects named by study
// manifests, as the graph plug-in computes them.
#include "graph/io/subject_report.h"

#include <iostream>

using namespace graph::io;

int main(int argc, char** argv) {
    return runSubjectReports(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
