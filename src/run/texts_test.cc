#include "run/texts.h"

#include <gtest/gtest.h>

#include "support/golden.h"

namespace vantorel {

namespace {

TEST(LengthReport, FollowsWhatWasSaidWithEveryFileAndItsLength) {
  auto report = [](const Disc& disc, TotalTime total) {
    std::string out = "said before\n";
    AppendLengthReport(&out, disc, total);
    return out;
  };
  Disc disc;
  disc.files.push_back({{1, "a.wav"}, {}, {}});
  disc.files.push_back({{3, "b b.WAV"}, {}, {}});
  disc.files[0].wav.length = {12, 3, 7};
  disc.files[1].wav.length = {0, 59, 74};
  EXPECT_EQ(report(disc, {13, 2}), "said before\n" + kReportHeader +
                                       "1\ta.wav\t\t12:3:7\n"
                                       "2\tb b.WAV\t\t0:59:74\n"
                                       "\nTotal Time:  13 min : 2 sec\n");
  EXPECT_EQ(report({}, {}), "said before\n" + kEmptyReport);
}

}  // namespace

}  // namespace vantorel
