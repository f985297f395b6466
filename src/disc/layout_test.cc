#include "disc/layout.h"

#include <gtest/gtest.h>

#include <string>

namespace vantorel {

namespace {

// The layout in one line, in CD frames: each track as in_file/pregap/on_disc/length, ? where a
// place is missing and ~ before a length that rests on a split out of place, then the disc's
// length.
std::string Described(const DiscLayout& layout) {
  auto frames = [](std::optional<uint64_t> f) { return f ? std::to_string(*f) : "?"; };
  std::string out;
  for (const TrackPlace& p : layout.tracks) {
    out += frames(p.in_file) + "/" + frames(p.pregap) + "/" + frames(p.on_disc) + "/" +
           (p.past_misplaced ? "~" : "") + frames(p.length) + " ";
  }
  return out + "= " + frames(layout.frames);
}

TEST(LayOutDisc, TracksAsABurnerPlacesThem) {
  // Every file is 20 s of CD audio but b.wav, which holds 441,001 samples: 750 whole frames and
  // one sample more, padded to a 751st frame; and x.wav, whose length is the most a length holds.
  const std::string kMost = std::to_string(UINT64_MAX);
  struct Case {
    std::string list, laid_out;
  } cases[] = {
      // Splits and pregaps over several files: a pregap comes before its track's start and pushes
      // back all that follows; a file's padded last frame is its last track's.
      {"a.wav\nP 00:01:00\nS 00:05:30\nP 00:02:00\nb.wav\nS 00:03:00\nc.wav\nP 00:01:10\n",
       "0/75/75/405 405/150/630/1095 0/0/1725/225 225/0/1950/526 0/85/2561/1500 = 4061"},
      {"", "= 0"},
      // A split time that cannot be read leaves its track, the one before and every place on the
      // disc from there on unknown; the track after it has its length all the same.
      {"a.wav\nS 00:05:00\nS 0:08.5\nS 00:12:00\nc.wav\n",
       "0/0/0/375 375/0/375/~525 ?/0/?/? 900/0/?/600 0/0/?/1500 = ?"},
      // A split not after what an editor's time before it means, nor after a time read as hours
      // inside the file (0:00:10), is out of place all the same.
      {"a.wav\nS 4:12.5\nS 00:03:00\n", "0/0/0/~1500 ?/0/?/? 225/0/?/? = ?"},
      {"a.wav\nS 00:05:00\nS 0:00:10\nS 00:08:00\n",
       "0/0/0/375 375/0/375/~1125 10/0/?/? 600/0/?/? = ?"},
      // Splits not after the last one placed, or at the end of the file, are not placed.
      {"a.wav\nS 00:10:00\nS 00:10:00\nS 00:05:00\nS 00:15:00\nS 00:20:00\n",
       "0/0/0/750 750/0/750/~375 750/0/?/? 375/0/?/? 1125/0/?/~375 1500/0/?/? = ?"},
      // So does a pregap that cannot be read.
      {"a.wav\nc.wav\nP 00:02\nb.wav\n", "0/0/0/1500 0/?/?/1500 0/0/?/751 = ?"},
      // A length past all reason, which x.wav declares, is held at the largest count.
      {"x.wav\nx.wav\n", "0/0/0/" + kMost + " 0/0/" + kMost + "/" + kMost + " = " + kMost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    TrackTable table;
    ClassifyTrackList(c.list, &table);
    Disc disc = BuildDisc(table);
    for (DiscFile& file : disc.files) {
      std::string_view name = file.entry.text;
      file.wav.length = name == "x.wav"   ? LengthOf(UINT64_MAX, 1)
                        : name == "b.wav" ? LengthOf(441001, 44100)
                                          : LengthOf(20 * 44100, 44100);
    }
    EXPECT_EQ(Described(LayOutDisc(disc)), c.laid_out);
  }
}

}  // namespace

}  // namespace vantorel
