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


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/granger/fixtures/geweke_cases.txt")
