#include "run/texts.h"

#include <gtest/gtest.h>

#include "support/golden.h"
#include "tracklist/tracklist.h"

namespace {

TEST(LengthReport, ListsWavEntriesOnly) {
  TrackTable table;
  Classified c = ClassifyTrackList("a.wav\nS 01:00:00\nb.wav\n", &table);
  table.sample_rate[0] = table.sample_rate[2] = 44100;
  table.sample_frames[0] = 2646000;
  table.sample_frames[2] = 9062550;
  float total = ComputeLengths(&table, c.line_count);
  EXPECT_EQ(LengthReport(table, c.line_count, TotalTimeOf(total)),
            kReportHeader +
                "1\ta.wav\t\t1:0:0\n"
                "2\tb.wav\t\t3:25:37\n"
                "\nTotal Time:  4 min : 25 sec\n");
  EXPECT_EQ(LengthReport(table, 0, TotalTimeOf(0)), kEmptyReport);
}

}  // namespace
