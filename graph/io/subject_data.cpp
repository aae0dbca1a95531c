#include "graph/io/subject_data.h"

#include "linkmesh/linkmesh.h"

namespace graph::io {

std::vector<Eigen::MatrixXf> loadFinalMatrices(const Subject& subject) {
    std::vector<Eigen::MatrixXf> matrices;
    matrices.reserve(subject.manifest.final_mtx.size());
    // Correlation-based studies hold negative weights; the views show them
    // and the measures decide what to do with them (see weight_policy.h).
    for (const std::string& entry : subject.manifest.final_mtx)
        matrices.push_back(linkmesh::from_csv(subject.folder + "/" + entry, linkmesh::Weights::any_finite));
    return matrices;
}

std::vector<std::string> selectNodeNames(const StudyManifest& manifest) {
    std::vector<std::string> names;
    names.reserve(manifest.selected_vois.size());
    for (const int index : manifest.selected_vois) {
        if (index < 0 || static_cast<std::size_t>(index) >= manifest.vois_names.size()) {
            throw SubjectDataError("Study \"" + manifest.unique_id +
                                   "\": configuration.selected_vois holds " + std::to_string(index) +
                                   ", but study_data.VOIs_names has " +
                                   std::to_string(manifest.vois_names.size()) + " names");
        }
        names.push_back(manifest.vois_names[static_cast<std::size_t>(index)]);
    }
    return names;
}

}  // namespace graph::io
