#!/usr/bin/python3
"""Writes the peer fixtures of the linkmesh tests: connectivity matrices as CSV
and the values networkx computes for them as JSON, in tests/linkmesh/fixtures/.

Run with the system interpreter (Debian python3-networkx):
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
    for i, dist in sorted(nx.all_pairs_dijkstra_path_length(g, weight="length")):
        nodal.append(sum(1.0 / d for j, d in dist.items() if j != i) / (n - 1))
    return sum(nodal) / n, nodal


def local_efficiency(g):
    """Corrected weighted local efficiency; subgraph distances from networkx."""
    out = []
    for i in sorted(g.nodes):
        nb = [j for j in g.neighbors(i) if j != i]
        k = len(nb)
        if k < 2:
            out.append(0.0)
            continue
        sub = g.subgraph(nb)
        total = 0.0
        for j, dist in nx.all_pairs_dijkstra_path_length(sub, weight="length"):
            for h, d in dist.items():
                if h != j:
                    total += (g[i][j]["weight"] * g[i][h]["weight"] / d) ** (1.0 / 3.0)
        out.append(total / (k * (k - 1)))
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
        "local_efficiency": local_efficiency(g),
    }
    if binary:
        # On 0/1 matrices networkx's own efficiency functions apply directly.
        values["nx_global_efficiency"] = nx.global_efficiency(g)
        if all(d == 1 for i in g for j, dists in nx.all_pairs_shortest_path_length(g.subgraph(g[i]))
               for h, d in dists.items() if h != j):
            # Uncorrected, unweighted form: coincides with the corrected one
            # only when every finite neighbourhood distance is 1.
            values["nx_local_efficiency_mean"] = nx.local_efficiency(g)
    with open(os.path.join(out_dir, name + ".json"), "w", newline="\n") as f:
        json.dump(values, f, indent=1)
        f.write("\n")
    print("%-26s %3d nodes, %5d connections" % (name, n, g.number_of_edges()))


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


if __name__ == "__main__":
    main()
