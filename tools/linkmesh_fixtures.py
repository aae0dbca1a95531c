#!/usr/bin/python3
"""Writes the peer fixtures of the linkmesh tests: connectivity matrices as CSV
and the values independent peers compute for them as JSON, in
tests/linkmesh/fixtures/: networkx for degree, strength, clustering,
efficiencies and eigenvectors; the weighted local efficiency written here from
its published definition on scipy shortest paths, and on binary graphs also
networkx's own binary local efficiency, which it must equal exactly.

Run with the system interpreter (Debian python3-networkx, python3-scipy):
    /usr/bin/python3 tools/linkmesh_fixtures.py [output folder]

Conventions shared with linkmesh: the diagonal (self-loops) is ignored; the
length of a connection is 1 / weight; unreachable pairs add 0 to every
efficiency. Weights are rounded to single precision before networkx sees them,
so both sides compute on identical numbers. Every weighted matrix has its
largest off-diagonal weight equal to 1, because nx.clustering divides the
weights by the largest one and linkmesh does not.
"""
import json
import math
import os
import sys

import networkx as nx
import numpy as np
from scipy.sparse import csr_matrix
from scipy.sparse.csgraph import shortest_path

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "tests", "linkmesh", "fixtures")


def symmetric_random(rng, n, density, isolated=(), low=0.05):
    """Symmetric weights in [low, 1] on a random `density` share of the pairs."""
    w = np.zeros((n, n))
    iu = np.triu_indices(n, 1)
    keep = rng.random(len(iu[0])) < density
    w[iu[0][keep], iu[1][keep]] = rng.uniform(low, 1.0, keep.sum())
    w = w + w.T
    for v in isolated:
        w[v, :] = 0.0
        w[:, v] = 0.0
    return w


def to_single(w):
    """Single-precision weights with the largest off-diagonal weight exactly 1."""
    off = w.copy()
    np.fill_diagonal(off, 0.0)
    w = w / off.max()
    return w.astype(np.float32).astype(np.float64)


def graph_of(w):
    """Undirected graph of the off-diagonal weights, with lengths 1 / w."""
    n = w.shape[0]
    g = nx.Graph()
    g.add_nodes_from(range(n))
    for i in range(n):
        for j in range(i + 1, n):
            if w[i, j] > 0:
                g.add_edge(i, j, weight=float(w[i, j]), length=1.0 / float(w[i, j]))
    return g


def efficiencies(g):
    n = g.number_of_nodes()
    nodal = []
    for i, dist in sorted(nx.all_pairs_dijkstra_path_length(g, weight="length")):  # along directions
        nodal.append(sum(1.0 / d for j, d in dist.items() if j != i) / (n - 1))
    return sum(nodal) / n, nodal


def local_efficiency(w, directed=False):
    """Weighted local efficiency of Wang et al. (2016), written from the paper:
    E_i = sum over neighbour pairs j != h of (w_ij w_ih)^(1/3) / d'_jh, divided
    by k_i (k_i - 1), where d' is the shortest-path length inside the subgraph
    of i's neighbours with connection lengths (1 / w)^(1/3) (scipy Dijkstra).
    Directed matrices use the Brain Connectivity Toolbox's generalisation
    (efficiency_wei, local = 2): neighbours in either direction, weights
    symmetrised as cbrt(w_ij) + cbrt(w_ji), inverse distances as
    (1/d'_jh + 1/d'_hj) / 2, and the denominator (sum a)^2 - sum a^2 with a_j
    the number of connections between i and j."""
    n = w.shape[0]
    off = w.copy()
    np.fill_diagonal(off, 0.0)
    out = []
    for i in range(n):
        nb = [j for j in range(n) if j != i and (off[i, j] > 0 or off[j, i] > 0)]
        if len(nb) < 2:
            out.append(0.0)
            continue
        sub = off[np.ix_(nb, nb)]
        lengths = np.where(sub > 0, np.power(1.0 / np.where(sub > 0, sub, 1.0), 1.0 / 3.0), 0.0)
        d = shortest_path(csr_matrix(lengths), method="D", directed=directed)
        with np.errstate(divide="ignore"):
            inv = np.where(np.isfinite(d) & (d > 0), 1.0 / d, 0.0)
        if not directed:
            cw = np.cbrt(off[i, nb])
            out.append(float(cw @ inv @ cw) / (len(nb) * (len(nb) - 1)))
            continue
        sw = np.cbrt(off[i, nb]) + np.cbrt(off[nb, i])
        numer = float(sw @ ((inv + inv.T) / 2.0) @ sw)
        a = (off[i, nb] > 0).astype(float) + (off[nb, i] > 0).astype(float)
        out.append(numer / (a.sum() ** 2 - (a * a).sum()))
    return out


def eigenvector(g):
    """nx eigenvector centrality, or None when the leading eigenvalue is not
    simple (then any vector of its eigenspace is an answer)."""
    a = nx.to_numpy_array(g, nodelist=sorted(g.nodes), weight="weight")
    top = np.sort(np.linalg.eigvalsh(a))[-2:]
    if top[1] - top[0] < 1e-3 * top[1]:
        return None
    ec = nx.eigenvector_centrality_numpy(g, weight="weight")
    return [abs(ec[i]) for i in sorted(g.nodes)]


def windmill(cliques, size, pendants, isolated):
    """Cliques sharing one centre, plus pendant and isolated nodes: every
    neighbourhood is a union of cliques, so all its finite distances are 1."""
    n = 1 + cliques * (size - 1) + pendants + isolated
    w = np.zeros((n, n))
    v = 1
    for _ in range(cliques):
        members = [0] + list(range(v, v + size - 1))
        for a in members:
            for b in members:
                if a != b:
                    w[a, b] = 1.0
        v += size - 1
    for p in range(pendants):
        w[v + p, 1] = w[1, v + p] = 1.0
    return w


def write_fixture(out_dir, name, w, note):
    n = w.shape[0]
    with open(os.path.join(out_dir, name + ".csv"), "w", newline="\n") as f:
        for i in range(n):
            f.write(",".join("%.9g" % np.float32(x) for x in w[i]) + "\n")
    g = graph_of(w)
    binary = bool(np.all((w == 0) | (w == 1)))
    ge, nodal = efficiencies(g)
    values = {
        "matrix": name + ".csv",
        "note": note,
        "peer": "networkx " + nx.__version__,
        "nodes": n,
        "degree": [float(d) for _, d in sorted(g.degree())],
        "strength": [float(d) for _, d in sorted(g.degree(weight="weight"))],
        "clustering_coeff": [float(c) for _, c in sorted(nx.clustering(g, weight="weight").items())],
        "eigenvector_centrality": eigenvector(g),
        "global_efficiency": ge,
        "nodal_global_efficiency": nodal,
        "local_efficiency": local_efficiency(w),
    }
    if binary:
        # On 0/1 matrices the weighted form must equal networkx's binary
        # measures exactly: nx.local_efficiency is the mean over nodes of the
        # global efficiency of each neighbour subgraph.
        values["nx_global_efficiency"] = nx.global_efficiency(g)
        values["nx_local_efficiency"] = [nx.global_efficiency(g.subgraph(g[i])) for i in sorted(g.nodes)]
        values["nx_local_efficiency_mean"] = nx.local_efficiency(g)
    with open(os.path.join(out_dir, name + ".json"), "w", newline="\n") as f:
        json.dump(values, f, indent=1)
        f.write("\n")
    print("%-26s %3d nodes, %5d connections" % (name, n, g.number_of_edges()))


def write_directed_fixture(out_dir, name, w, note):
    """A directed matrix: only the measures whose directed reading linkmesh
    shares with a peer (out-degree, out-strength, paths along connections,
    the right Perron eigenvector, the toolbox's directed local efficiency)."""
    n = w.shape[0]
    with open(os.path.join(out_dir, name + ".csv"), "w", newline="\n") as f:
        for i in range(n):
            f.write(",".join("%.9g" % np.float32(x) for x in w[i]) + "\n")
    g = nx.DiGraph()
    g.add_nodes_from(range(n))
    for i in range(n):
        for j in range(n):
            if i != j and w[i, j] > 0:
                g.add_edge(i, j, weight=float(w[i, j]), length=1.0 / float(w[i, j]))
    ge, nodal = efficiencies(g)
    off = w.copy()
    np.fill_diagonal(off, 0.0)
    vals, vecs = np.linalg.eig(off)
    top = np.argmax(vals.real)
    v = np.abs(vecs[:, top])
    values = {
        "matrix": name + ".csv",
        "note": note,
        "peer": "networkx " + nx.__version__ + ", numpy eig, scipy Dijkstra",
        "nodes": n,
        "directed": True,
        "degree": [float(d) for _, d in sorted(g.out_degree())],
        "strength": [float(d) for _, d in sorted(g.out_degree(weight="weight"))],
        "eigenvector_centrality": [float(x) for x in v / np.linalg.norm(v)],
        "global_efficiency": ge,
        "nodal_global_efficiency": nodal,
        "local_efficiency": local_efficiency(w, directed=True),
    }
    with open(os.path.join(out_dir, name + ".json"), "w", newline="\n") as f:
        json.dump(values, f, indent=1)
        f.write("\n")
    print("%-26s %3d nodes, %5d connections (directed)" % (name, n, g.number_of_edges()))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    os.makedirs(out_dir, exist_ok=True)
    rng = np.random.default_rng(20240611)

    w = to_single(symmetric_random(rng, 5, 1.0))
    np.fill_diagonal(w, 1.0)
    write_fixture(out_dir, "w5_complete", w, "complete, ones on the diagonal")

    w = to_single(symmetric_random(rng, 30, 0.18, isolated=(4, 17, 29)))
    write_fixture(out_dir, "w30_sparse_isolated", w, "18% dense, three isolated nodes")

    series = rng.standard_normal((80, 120))
    series[40:] += 0.8 * series[:40]  # some structure in the correlations
    corr = np.abs(np.corrcoef(series))
    w = to_single(corr)
    np.fill_diagonal(w, 1.0)
    write_fixture(out_dir, "w80_abs_correlation", w, "absolute correlations, dense, ones on the diagonal")

    w = to_single(symmetric_random(rng, 120, 0.04, isolated=(0, 60, 61, 119)))
    write_fixture(out_dir, "w120_sparse", w, "4% dense, isolated nodes, several components")

    w = to_single(symmetric_random(rng, 200, 0.25, isolated=(100,)))
    write_fixture(out_dir, "w200_quarter", w, "25% dense, one isolated node")

    w = to_single(symmetric_random(rng, 150, 0.9))
    write_fixture(out_dir, "w150_nearly_complete", w, "90% dense")

    w = (symmetric_random(rng, 60, 0.1, isolated=(7, 33)) > 0).astype(np.float64)
    write_fixture(out_dir, "b60_binary", w, "binary, 10% dense, two isolated nodes")

    write_fixture(out_dir, "b24_windmill", windmill(cliques=4, size=5, pendants=3, isolated=4),
                  "binary windmill with pendant and isolated nodes")

    w = (symmetric_random(rng, 30, 0.2, isolated=(11,)) > 0).astype(np.float64)
    write_fixture(out_dir, "b30_binary", w, "binary, 20% dense, one isolated node")

    w = (symmetric_random(rng, 90, 0.5) > 0).astype(np.float64)
    write_fixture(out_dir, "b90_binary_half", w, "binary, 50% dense")

    w = rng.uniform(0.05, 1.0, (40, 40)) * (rng.random((40, 40)) < 0.3)
    w[5, :] = 0.0  # a node with incoming connections only
    write_directed_fixture(out_dir, "d40_directed", to_single(w), "directed, 30% dense, one sink node")


if __name__ == "__main__":
    main()
