#pragma once
// A plain-text report of every graph measure of a subject's final matrices,
// computed as the connectivity window computes them. Pure C++ (no Qt).

#include <ostream>
#include <string>
#include <vector>

namespace graph::io {

// Reads the manifest at `manifestPath`, loads its matrices and node names and
// writes one block per matrix. Throws (StudyManifestError, SubjectDataError,
// linkmesh::Error) before writing anything when the subject cannot be read.
void writeSubjectReport(std::ostream& out, const std::string& manifestPath);

// Command line: one report per manifest argument. Returns 0 when every
// manifest was reported, 1 when one failed, 2 for bad usage.
int runSubjectReports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace graph::io
