// linkmesh: graph measures of weighted connectivity matrices.
//
// A matrix W describes a graph of W.rows() nodes; W(i, j) is the weight of
// the connection from node i to node j (0 = no connection). Connectivity
// matrices are normally symmetric (undirected); an asymmetric matrix is read
// as directed, row i holding the connections that leave node i. The diagonal
// is ignored by every measure, so a correlation matrix with ones on its
// diagonal needs no cleaning. Weights are meant to lie in [0, 1]; larger
// weights are used as given, without rescaling.
//
// Every function checks its matrix and throws linkmesh::Error for a matrix
// that is not square, holds a NaN or an infinity, or a negative weight.
// docs/linkmesh.md gives the exact definitions.
#pragma once

#include <Eigen/Dense>

#include <stdexcept>
#include <string>

namespace linkmesh {

// Every failure of the library: bad files, bad matrices.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which signs a matrix file may hold: the measures need non-negative
// weights; viewing a correlation matrix needs any finite value.
enum class Weights { non_negative, any_finite };

// Reads a square matrix of finite values from a comma-separated text file,
// refusing negative values unless `weights` is any_finite. Throws Error
// naming the file (and line and column where one applies).
Eigen::MatrixXf from_csv(const std::string& path, Weights weights = Weights::non_negative);

// Number of connections of each node: non-zero off-diagonal entries of its row.
Eigen::ArrayXf degree(const Eigen::MatrixXf& W);

// Sum of the off-diagonal weights of each node's row.
Eigen::ArrayXf strength(const Eigen::MatrixXf& W);

// Weighted clustering coefficient (Onnela et al. 2005), 0 for degree < 2.
Eigen::ArrayXf clustering_coeff(const Eigen::MatrixXf& W);

// Weighted local efficiency in the form of Wang et al. (2016): per node, the sum
// over pairs of distinct neighbours j, h of (w_ij w_ih)^(1/3) / d'_jh, divided
// by k (k - 1), where d' is the shortest length inside the neighbourhood with
// connection lengths (1 / w)^(1/3). Equals the binary local efficiency on 0/1
// matrices (the earlier Rubinov-Sporns 2010 form does not). Directed matrices:
// neighbours in either direction, as the Brain Connectivity Toolbox does
// (docs/linkmesh.md). 0 for a node with fewer than two neighbours.
Eigen::ArrayXf local_efficiency(const Eigen::MatrixXf& W);

// Mean inverse shortest path length over all ordered pairs of distinct nodes;
// connection lengths are 1 / weight; unreachable pairs count as 0.
float global_efficiency(const Eigen::MatrixXf& W);

// Sum of inverse shortest path lengths from each node to all others, / (n - 1).
Eigen::ArrayXf nodal_global_efficiency(const Eigen::MatrixXf& W);

// Eigenvector of the largest eigenvalue, absolute values, unit Euclidean norm.
Eigen::ArrayXf eigenvector_centrality(const Eigen::MatrixXf& W);

}  // namespace linkmesh
