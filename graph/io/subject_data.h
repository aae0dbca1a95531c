#pragma once
// Loading what a connectivity window needs from a subject: its final
// matrices and the names of their nodes. Pure C++ (no Qt).

#include "graph/io/subject.h"

#include <Eigen/Dense>

#include <stdexcept>
#include <string>
#include <vector>

namespace graph::io {

// A subject whose data cannot be turned into matrices and node names.
class SubjectDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One matrix per entry of result_data.final_mtx, in order, each read from
// folder + "/" + entry; any finite value is accepted. linkmesh::Error (bad
// or missing file, NaN, infinity) passes through.
std::vector<Eigen::MatrixXf> loadFinalMatrices(const Subject& subject);

// study_data.VOIs_names picked by configuration.selected_vois, in node
// order. Throws SubjectDataError for an index outside the names.
std::vector<std::string> selectNodeNames(const StudyManifest& manifest);

}  // namespace graph::io
