#!/usr/bin/python3
"""Reference values of Geweke's measures of linear dependence for short
series, computed in double precision straight from their definition:

  per interval: remove the mean and the least-squares linear trend on the
  centred ramp tau_i = i/(n-1) - 0.5; biased lag covariances
  Gamma(k) = sum_{t>=k} x(t) x(t-k)^T / n; average Gamma(k) over intervals;
  solve the multivariate Yule-Walker equations [A_1..A_p] R = [Gamma(1)..Gamma(p)]
  with R the block Toeplitz matrix (block (b,c) = Gamma(c-b)), residual
  covariance Sigma = Gamma(0) - sum_k A_k Gamma(k)^T; the univariate models
  likewise; then
    Ref2Vox = ln(s2_vox / Sigma_vv), Vox2Ref = ln(s2_ref / Sigma_rr),
    Inst = ln(Sigma_rr Sigma_vv / det Sigma).

With one interval the univariate residual variances are cross-checked against
statsmodels' Yule-Walker estimator (method "mle", no demeaning, on the
detrended series). Needs python3-numpy and python3-statsmodels; run only to
remake tests/granger/fixtures/geweke_cases.txt.

With the argument "runs" it writes tests/granger/fixtures/gcm_run_cases.txt
instead: small VTCs (source and target, possibly of different lengths) and
the maps a whole run must produce from them, computed from the same
definitions: the reference is the mean of the VOI's voxels of the source
VTC; a voxel whose first target value is not above the inclusion threshold
(100) is skipped (0); a voxel whose Yule-Walker residual covariance is
singular (a constant voxel) is ill-defined (0); otherwise Inst and the
difference Ref2Vox - Vox2Ref, both times the map scale factor (100).
"""
import sys

import numpy as np
from statsmodels.regression.linear_model import yule_walker


def detrend(x):
    n = len(x)
    tau = np.arange(n) / (n - 1) - 0.5
    x = x - x.mean()
    b = np.dot(tau, x) / np.dot(tau, tau)
    return x - b * tau


def lag_cov(X, p):
    n = X.shape[1]
    return [X[:, k:] @ X[:, : n - k].T / n for k in range(p + 1)]


def gamma_at(G, m):
    return G[m] if m >= 0 else G[-m].T


def yw(G, p):
    d = G[0].shape[0]
    R = np.zeros((d * p, d * p))
    for b in range(p):
        for c in range(p):
            R[d * b:d * b + d, d * c:d * c + d] = gamma_at(G, c - b)
    rhs = np.hstack([G[k] for k in range(1, p + 1)])
    A = np.linalg.solve(R.T, rhs.T).T
    sigma = G[0] - sum(A[:, d * (k - 1):d * k] @ G[k].T for k in range(1, p + 1))
    return sigma


def measures(intervals, p):
    Gs = None
    for ref, vox in intervals:
        X = np.vstack([detrend(ref), detrend(vox)])
        G = lag_cov(X, p)
        Gs = G if Gs is None else [a + b for a, b in zip(Gs, G)]
    Gs = [g / len(intervals) for g in Gs]
    S = yw(Gs, p)
    s_ref = yw([g[0:1, 0:1] for g in Gs], p)[0, 0]
    s_vox = yw([g[1:2, 1:2] for g in Gs], p)[0, 0]
    if len(intervals) == 1:
        for series, value in ((intervals[0][0], s_ref), (intervals[0][1], s_vox)):
            _, sigma = yule_walker(detrend(series), order=p, method="mle", demean=False)
            assert abs(sigma ** 2 - value) <= 1e-9 * abs(value), (sigma ** 2, value)
    return (np.log(s_vox / S[1, 1]), np.log(s_ref / S[0, 0]),
            np.log(S[0, 0] * S[1, 1] / np.linalg.det(S)))


def simulate(rng, n, a_rv, a_vr, rho):
    """A bivariate VAR(1) (reference drives voxel with a_rv, voxel drives
    reference with a_vr, noise correlation rho) plus a trend and offset."""
    e = rng.multivariate_normal([0, 0], [[1, rho], [rho, 1]], size=n + 50)
    x = np.zeros((n + 50, 2))
    for t in range(1, n + 50):
        x[t, 0] = 0.5 * x[t - 1, 0] + a_vr * x[t - 1, 1] + e[t, 0]
        x[t, 1] = a_rv * x[t - 1, 0] + 0.3 * x[t - 1, 1] + e[t, 1]
    x = x[50:]
    t = np.arange(n)
    return (100 + 0.05 * t + x[:, 0]).astype(np.float32), (200 - 0.02 * t + x[:, 1]).astype(np.float32)


def main(out):
    rng = np.random.default_rng(20261207)
    cases = []
    for p in (1, 2, 3):
        for n_int in (1, 2):
            for a_rv, a_vr, rho in ((0.6, 0.0, 0.0), (0.0, 0.5, 0.3), (0.2, 0.2, 0.6)):
                intervals = []
                for _ in range(n_int):
                    n = int(rng.integers(20, 60))
                    intervals.append(simulate(rng, n, a_rv, a_vr, rho))
                cases.append((p, intervals, measures(
                    [(r.astype(np.float64), v.astype(np.float64)) for r, v in intervals], p)))
    with open(out, "w") as f:
        f.write("# p, intervals (length, reference values, voxel values), then Ref2Vox Vox2Ref Inst\n")
        f.write(f"{len(cases)}\n")
        for p, intervals, m in cases:
            f.write(f"{p} {len(intervals)}\n")
            for r, v in intervals:
                f.write(f"{len(r)}\n")
                f.write(" ".join(repr(float(x)) for x in r) + "\n")
                f.write(" ".join(repr(float(x)) for x in v) + "\n")
            f.write(" ".join(repr(float(x)) for x in m) + "\n")


# Whole-run cases: (name, order p, source volumes, target volumes, intervals);
# "shared" uses one VTC as source and target.
RUN_CASES = (
    ("shared", 2, 120, 120, ((11, 60), (71, 120))),
    ("src150_trg200", 1, 150, 200, ((11, 150),)),
    ("src200_trg150", 1, 200, 150, ((11, 140),)),
)
RUN_DIMS = (3, 3, 2)  # x, y, z
REFERENCE_VOXELS = (0, 1)  # grid indices (x fastest) of the VOI
INCLUSION = 100.0
SCALE = 100.0


def run_series(rng, length):
    """Reference r and one time course per grid voxel, all `length` long."""
    nvox = RUN_DIMS[0] * RUN_DIMS[1] * RUN_DIMS[2]
    burn = 50
    d = np.zeros(length + burn)
    r = np.zeros(length + burn)
    e = rng.standard_normal((length + burn, nvox + 2))
    for t in range(1, length + burn):
        d[t] = 0.5 * d[t - 1] + e[t, 0]
        r[t] = 0.4 * r[t - 1] + 0.6 * d[t - 1] + 0.5 * e[t, 1]
    vox = np.zeros((nvox, length + burn))
    for i in range(nvox):
        kind = i % 5
        for t in range(2, length + burn):
            if kind == 0:  # driven at lag 1
                vox[i, t] = 0.3 * vox[i, t - 1] + 0.8 * r[t - 1] + e[t, i + 2]
            elif kind == 1:  # driven at lag 2
                vox[i, t] = 0.2 * vox[i, t - 1] + 0.7 * r[t - 2] + e[t, i + 2]
            elif kind == 2:  # carries the driver, so drives the reference
                vox[i, t] = d[t] + 0.3 * e[t, i + 2]
            elif kind == 3:  # instantaneous coupling
                vox[i, t] = 0.3 * vox[i, t - 1] + 0.9 * e[t, 1] + 0.6 * e[t, i + 2]
            else:  # independent AR(1)
                vox[i, t] = 0.5 * vox[i, t - 1] + e[t, i + 2]
    t = np.arange(length)
    ref = 1000 + 15 * r[burn:] + 0.05 * t
    out = 1000 + 15 * vox[:, burn:] - 0.03 * t
    return ref, out


def as_stored(x):
    """The float32 value a VTC holds for x (two decimals)."""
    return np.round(x, 2).astype(np.float32)


def run_case(rng, shared, p, n_src, n_trg, intervals):
    length = max(n_src, n_trg)
    ref, vox = run_series(rng, length)
    nvox = vox.shape[0]
    source = as_stored(vox[:, :n_src])
    target = as_stored(vox[:, :n_trg])
    # The VOI's voxels of the source carry the reference (plus a little noise).
    for k, i in enumerate(REFERENCE_VOXELS):
        source[i] = as_stored(ref[:n_src] + 0.5 * rng.standard_normal(n_src) * (k + 1))
    # Special voxels of the target: a constant one (ill-defined) and one whose
    # first value is not above the inclusion threshold (skipped).
    if shared:
        target = source
    target[nvox - 1] = np.float32(500.0)
    target[nvox - 2, 0] = np.float32(INCLUSION)
    reference = np.mean(source[list(REFERENCE_VOXELS)].astype(np.float64), axis=0)
    inst = np.zeros(nvox)
    dgcm = np.zeros(nvox)
    for i in range(nvox):
        course = target[i].astype(np.float64)
        if not course[0] > INCLUSION:
            continue
        pieces = [(reference[a - 1:b], course[a - 1:b]) for a, b in intervals]
        if all(np.ptp(v) == 0 for _, v in pieces):
            continue  # no variance: the residual covariance is singular
        r2v, v2r, ins = measures(pieces, p)
        inst[i] = SCALE * ins
        dgcm[i] = SCALE * r2v - SCALE * v2r
    return source, target, inst, dgcm


def write_values(f, label, data):
    f.write(f"{label} {data.shape[0]} {data.shape[1]}\n")
    for row in data:
        f.write(" ".join("%.9g" % float(x) for x in row) + "\n")


def runs(out):
    rng = np.random.default_rng(20261208)
    with open(out, "w") as f:
        f.write("# whole-run cases; see tools/granger_fixtures.py\n")
        f.write(f"dims {RUN_DIMS[0]} {RUN_DIMS[1]} {RUN_DIMS[2]}\n")
        f.write("reference " + " ".join(str(i) for i in REFERENCE_VOXELS) + "\n")
        f.write(f"cases {len(RUN_CASES)}\n")
        for name, p, n_src, n_trg, intervals in RUN_CASES:
            source, target, inst, dgcm = run_case(rng, name == "shared", p, n_src, n_trg, intervals)
            f.write(f"case {name} {p} {len(intervals)}\n")
            f.write(" ".join(f"{a} {b}" for a, b in intervals) + "\n")
            write_values(f, "source", source)
            write_values(f, "target", target)
            f.write("inst " + " ".join(repr(float(x)) for x in inst) + "\n")
            f.write("dgcm " + " ".join(repr(float(x)) for x in dgcm) + "\n")


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "runs":
        runs(sys.argv[2] if len(sys.argv) > 2 else "tests/granger/fixtures/gcm_run_cases.txt")
    else:
        main(sys.argv[1] if len(sys.argv) > 1 else "tests/granger/fixtures/geweke_cases.txt")
