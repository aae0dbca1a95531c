#include "graph/core/feature_registry.h"

#include "linkmesh/linkmesh.h"

namespace graph::core {

namespace {

FeatureDefinition group(const std::string& title) {
    FeatureDefinition d;
    d.group = title;
    return d;
}

FeatureDefinition nodal(const std::string& groupTitle, const std::string& key, const std::string& name,
                        const std::string& description, const std::string& plotTitle, bool asksFirst,
                        Eigen::ArrayXf (*measure)(const Eigen::MatrixXf&)) {
    FeatureDefinition d{groupTitle, key, name, description, plotTitle};
    d.asksFirst = asksFirst;
    d.nodal = measure;
    return d;
}

}  // namespace

const std::vector<FeatureDefinition>& featureRegistry() {
    static const std::vector<FeatureDefinition> registry = [] {
        const std::string segregation = "Segragation";
        const std::string integration = "Integration";
        const std::string centrality = "Centrality";
        const std::string nodalGroup = "Nodal Features";
        FeatureDefinition global{integration, "global_efficiency", "Global efficiency",
                                 "The global efficiency is the average inverse shortest path length in the "
                                 "network, and is inversely related to the characteristic path length.",
                                 "Global Efficiency"};
        global.scalar = true;
        global.whole = &linkmesh::global_efficiency;
        return std::vector<FeatureDefinition>{
            group(segregation),
            nodal(
                segregation, "clustering_coeff", "Clustering coefficient",
                u8"The clustering coefficient of a node is the probability that the neighors of this node are "
                u8"also connected to each other. It is considered to be a measure of the local connectivity or "
                u8"\u201ccliqueness\u201d of a graph.",
                "Clustering Coefficient", false, &linkmesh::clustering_coeff),
            nodal(
                segregation, "local_efficiency", "Local efficiency",
                "The local efficiency is the global efficiency computed on the neighborhood of the node, and "
                "is related to the clustering coefficient.",
                "Local Efficiency", true, &linkmesh::local_efficiency),
            group(integration),
            global,
            group(centrality),
            nodal(centrality, "degree", "Degree",
                  "Measure the importance of each node through their number/weights of connections.",
                  "Degree", false, &linkmesh::degree),
            nodal(
                centrality, "eigenvector_centrality", "Eigenvector centrality",
                "Eigenector centrality is a self-referential measure of centrality; nodes have higher values if "
                "they connect to other nodes that also exhibit high eigenvector centrality.",
                "Eigenvector Centrality", true, &linkmesh::eigenvector_centrality),
            group(nodalGroup),
            nodal(nodalGroup, "strength", "Strength",
                  "The sum of the weights of the connections of each node.", "Strength", false,
                  &linkmesh::strength),
            nodal(
                nodalGroup, "nodal_ge", "Nodal Global Efficiency",
                "The average of the inverse shortest path length from a node to all the other in the graph.",
                "Nodal Global Efficiency", true, &linkmesh::nodal_global_efficiency),
        };
    }();
    return registry;
}

const FeatureDefinition* findFeature(const std::string& key) {
    if (key.empty()) return nullptr;
    for (const FeatureDefinition& d : featureRegistry())
        if (d.key == key) return &d;
    return nullptr;
}

}  // namespace graph::core
