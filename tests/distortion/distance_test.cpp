#include "distortion/core/distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace mirel;

namespace {
Volume randomVolume(unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(0.0f, 10.0f);
  Volume v(4, 3, 2);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = u(rng);
  return v;
}
} // namespace

TEST(Distance, CorrelationClosedForms) {
  const Volume a = randomVolume(1), b = randomVolume(2);
  EXPECT_NEAR(ncc(a, a), 1.0, 1e-5);
  EXPECT_NEAR(ncc(a, -a), -1.0, 1e-5);
  EXPECT_NEAR(ncc(a, a * 3.0f + 2.0f), 1.0, 1e-4);
  EXPECT_TRUE(std::isnan(ncc(Volume(4, 3, 2, 5.0f), b)));
  // Against the textbook Pearson correlation in double precision.
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const double n = static_cast<double>(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
  }
  const double r = (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
  EXPECT_NEAR(ncc(a, b), r, 1e-4);
  const std::vector<Position> all = [&] {
    std::vector<Position> p;
    for (int z = 0; z < 2; ++z)
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) p.push_back({x, y, z});
    return p;
  }();
  EXPECT_NEAR(ncc(a, b, all), r, 1e-4);
  EXPECT_THROW(ncc(a, Volume(4, 3, 3, 0.0f)), std::logic_error);
  EXPECT_THROW(ncc(a, Volume(4, 3, 3, 0.0f), all), std::logic_error);
}

TEST(Distance, SquaredDifferenceTable) {
  const Volume a = randomVolume(3);
  EXPECT_EQ(meanSquaredDifference(a, a), 0.0);
  EXPECT_NEAR(meanSquaredDifference(a, a + 1.0f), 1.0, 1e-5);
  EXPECT_EQ(ssd(a, a + 1.0f, {}), 0.0);
  EXPECT_NEAR(ssd(a, a + 2.0f, {{0, 0, 0}, {3, 2, 1}, {0, 0, 0}}), 12.0, 1e-4); // listed twice counts twice
  Vector v1(2), v2(2);
  v1[0] = 0, v1[1] = 2, v2[0] = 5, v2[1] = 4;
  EXPECT_EQ(meanSquaredDifferenceNonzero(v1, v2), 4.0);
  Vector z1(3, 0.0f), z2(3, 1.0f);
  EXPECT_EQ(meanSquaredDifferenceNonzero(z1, z2), 0.0);
  EXPECT_THROW(meanSquaredDifferenceNonzero(v1, z1), std::logic_error);
  EXPECT_THROW(meanSquaredDifference(a, Volume(1, 1, 1, 0.0f)), std::logic_error);
}
