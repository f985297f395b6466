#include "run/remedies.h"

#include <algorithm>
#include <charconv>

#include "cd.h"
#include "disc/layout.h"
#include "run/words.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// What sox is told before each file's name, so that it takes the name as it stands.
constexpr std::string_view kNoGlob = "--no-glob ";

void AppendQuotedPart(std::string* out, std::string_view part) {
  // A single quote ends the quoted text, stands escaped and opens it again.
  for (size_t quote; (quote = part.find('\'')) != part.npos; part.remove_prefix(quote + 1)) {
    out->append(part.substr(0, quote)).append("'\\''");
  }
  out->append(part);
}

}  // namespace

void AppendPathWord(std::string* out, std::string_view name, std::string_view suffix,
                    std::string_view lead) {
  out->push_back('\'');
  if (!name.starts_with('/')) out->append(lead);
  AppendQuotedPart(out, name);
  AppendQuotedPart(out, suffix);
  out->push_back('\'');
}

void AppendSingleQuoted(std::string* out, std::string_view text) {
  out->push_back('\'');
  AppendQuotedPart(out, text);
  out->push_back('\'');
}

std::string LineWithTime(char letter, uint64_t frames, std::string_view title, bool four_fields) {
  std::string written =
      std::string(1, letter) + " " + WrittenTime(static_cast<uint32_t>(frames), four_fields);
  if (!title.empty()) written.append(" ").append(title);
  return written;
}

std::string NewFileName(std::string_view stem, std::string_view suffix) {
  // Linux's limits: NAME_MAX, and PATH_MAX less its NUL; the fix script reaches a relative name
  // through ../.
  constexpr size_t kNameMax = 255;
  constexpr size_t kPathMax = 4095;
  const size_t part = stem.rfind('/') + 1;
  const size_t reach = stem.starts_with('/') ? 0 : 3;
  size_t keep = stem.size();
  if (keep - part + suffix.size() > kNameMax)
    keep = part + kNameMax - std::min(suffix.size(), kNameMax);
  if (reach + keep + suffix.size() > kPathMax) {
    keep = std::max(part, kPathMax - std::min(kPathMax, reach + suffix.size()));
  }
  // A UTF-8 character is not cut in two: its continuation bytes go with it.
  if (keep < stem.size()) {
    while (keep > part && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  }
  std::string name;
  name.reserve(keep + suffix.size());
  name.append(stem.substr(0, keep));
  if (name.find('"', part) != name.npos) {
    std::replace(name.begin() + static_cast<ptrdiff_t>(part), name.end(), '"', '\'');
  }
  return name.append(suffix);
}

std::string CdWavName(std::string_view stem, uint32_t skip) {
  // A CD WAV made again of one already made is not named with the suffix twice.
  constexpr std::string_view kMade = "-cd";
  // The suffix, -cd, a number and .wav, made where it is written, with no string of its own.
  char suffix[32];
  char* end = suffix;
  uint64_t number = uint64_t{skip} + 1;
  if (stem.ends_with(kMade)) {
    ++number;
  } else {
    end = std::copy(kMade.begin(), kMade.end(), end);
  }
  if (number > 1) end = std::to_chars(end, suffix + sizeof suffix, number).ptr;
  end = std::copy_n(".wav", 4, end);
  return NewFileName(stem, std::string_view(suffix, static_cast<size_t>(end - suffix)));
}

std::string NumberedName(std::string_view name, uint32_t skip) {
  size_t dot = name.rfind('.');
  if (dot == name.npos || name.find('/', dot) != name.npos) dot = name.size();
  std::string suffix = skip == 0 ? std::string() : Number(uint64_t{skip} + 1);
  return NewFileName(name.substr(0, dot), suffix.append(name.substr(dot)));
}

namespace {

// A file made of another by the converter, and the line that names it; nothing where no
// converter makes it.
Fix Write(std::string line) {
  return {.change = LineChange::kWrite, .line = std::move(line)};
}

// A file made of another by the converter, and the line that names it.
Fix Converted(const Finding& f) {
  const Making making = MakingOf(f);
  const NewFile* made = NewFileOf(f);
  if (making.by == Converter::kNone || made == nullptr) return {};
  Fix fix = Write(CdWavName(made->stem, made->skip));
  // Room for the command at once: the two names, quoted at most, and the tool's words.
  fix.command.reserve(2 * (f.subject.size() + fix.line.size()) + 100);
  AppendConvertCommand(&fix.command, making, f.subject, fix.line);
  return fix;
}

// A split or pregap line written whole where the time it means is known; otherwise mended as
// far as its finding can.
Fix WholeLine(const Finding& f, const LineToWrite& whole) {
  const std::string_view s = f.subject;
  const char letter = whole.letter == LineKind::kPregap ? 'P'
                      : whole.letter == LineKind::kGap  ? 'G'
                                                        : 'S';
  if (whole.known) return Write(LineWithTime(letter, whole.frames, whole.title, whole.four_fields));
  if (f.kind == FindingKind::kNoSpaceAfterLetter) {
    return Write(std::string(s.substr(0, 1)).append(" ").append(s.substr(1)));
  }
  if (f.kind == FindingKind::kLowercaseLetter)
    return Write(std::string(1, letter).append(s.substr(1)));
  return {};
}

// A WAV name in mixed case, spelled as the file it names is, or renamed to be.
Fix Respelled(const Finding& f, const Respelling& r) {
  switch (r.spelling) {
    case Spelling::kNone:
      return {};
    case Spelling::kLowerWav:
      return Write(std::string(r.stem).append(".wav"));
    case Spelling::kUpperWav:
      return Write(std::string(r.stem).append(".WAV"));
    case Spelling::kAsWritten:
      break;
  }
  Fix fix = Write(std::string(r.stem).append(".wav"));
  AppendRenameCommand(&fix.command, f.subject, r.stem);
  return fix;
}

}  // namespace

namespace {

// How ffmpeg names samples of a format stored as they are: integer PCM of 8 bits unsigned and of
// 16, 24 and 32 signed, floating point of 32 and 64 bits, each little- or big-endian, A-law and
// mu-law; none for any other.
std::string_view RawFormatOf(const AudioFormat& a, bool big) {
  static constexpr struct {
    uint32_t coding, bits;
    std::string_view little, big;
  } kRaw[] = {{kFormatPcm, 8, "u8", "u8"},          {kFormatPcm, 16, "s16le", "s16be"},
              {kFormatPcm, 24, "s24le", "s24be"},   {kFormatPcm, 32, "s32le", "s32be"},
              {kFormatFloat, 32, "f32le", "f32be"}, {kFormatFloat, 64, "f64le", "f64be"},
              {kFormatALaw, 8, "alaw", "alaw"},     {kFormatMuLaw, 8, "mulaw", "mulaw"}};
  for (const auto& r : kRaw) {
    if (r.coding == a.coding && r.bits == a.bits) return big ? r.big : r.little;
  }
  return {};
}

}  // namespace

Making MakingOf(const Finding& f) {
  using K = FindingKind;
  if (const auto* o = std::get_if<ForeignAudio>(&f.facts)) return {o->made.by, o->sox_type};
  const auto* r = std::get_if<Remade>(&f.facts);
  if (r == nullptr) return {};
  if (f.kind == K::kIrregularChunks) {
    const bool big = r->also.Has(K::kRifx);
    RawSamples raw{RawFormatOf(r->format, big), r->format.rate, r->format.channels, r->data_start,
                   r->sample_frames};
    if (raw.format.empty() || raw.rate == 0 || raw.channels == 0) return {};
    return {Converter::kFfmpeg, {}, false, raw};
  }
  // The converter reads all that follows the header, whatever size it declares.
  const bool to_end = f.kind == K::kSizeNotFilledIn || r->also.Has(K::kSizeNotFilledIn);
  return {r->made.by, {}, to_end};
}

namespace {

// The fix of a finding of a code or flags line: the line written as what it surely means; where
// nothing is sure, a code of zeros and flags that give nothing go, and any other code is left to
// the user. Nothing for a finding of another kind.
std::optional<Fix> CodeFix(const Finding& f) {
  using K = FindingKind;
  switch (f.kind) {
    case K::kIsrcZeros:
    case K::kCatalogZeros:
      return Fix{.change = LineChange::kRemove};
    case K::kLowercaseKeyword:
    case K::kIsrcForm:
    case K::kCatalogForm:
    case K::kFlagWords: {
      const LineKind kind = f.kind == K::kLowercaseKeyword ? FactsOf<K::kLowercaseKeyword>(f).kind
                                                           : KindOf(f.subject);
      std::string line = CodeLineToWrite(kind, f.subject);
      if (!line.empty()) return Write(std::move(line));
      return f.kind == K::kFlagWords ? Fix{.change = LineChange::kRemove} : Fix{};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

Fix FixOf(const Finding& f) {
  using K = FindingKind;
  const std::string_view s = f.subject;
  if (std::optional<Fix> code = CodeFix(f)) return std::move(*code);
  return std::visit(Overloaded{
                        [&](const Remade&) { return Converted(f); },
                        [&](const ForeignAudio&) { return Converted(f); },
                        [&](const LineToWrite& whole) { return WholeLine(f, whole); },
                        [&](const TwoReadings& r) {
                          if (f.kind == K::kTimeWithoutFrames) return Fix{};
                          return Write(LineWithTime(s[0], r.meant, r.title, r.four_fields));
                        },
                        [&](const NotLater& n) {
                          if (n.as_hours == 0) return Fix{};
                          return Write(LineWithTime(s[0], n.as_hours, n.title, n.four_fields));
                        },
                        [&](const AtStart& a) {
                          if (a.title.empty()) return Fix{.change = LineChange::kRemove};
                          return Write("TITLE " + std::string(a.title));
                        },
                        [&](const NotOpened& n) {
                          return n.trimmed_name.empty() ? Fix{}
                                                        : Write(std::string(n.trimmed_name));
                        },
                        [&](const Respelling& r) { return Respelled(f, r); },
                        [&](const NoteRead&) { return Write("# " + std::string(s)); },
                        [&](const TextWritten& t) {
                          if (t.letters_lost) return Fix{};
                          if (t.timed)
                            return Write(LineWithTime('S', t.frames, t.written, t.four_fields));
                          return Write(std::string(t.lead).append(t.written));
                        },
                        [&](const NoFacts&) {
                          if (f.kind == K::kPregapWithoutLength)
                            return Fix{.change = LineChange::kRemove};
                          if (f.kind == K::kWavWithoutExt)
                            return Write(std::string(s).append(".wav"));
                          return Fix{};
                        },
                        // The facts of the other kinds ask for no command and no line.
                        [](const auto&) { return Fix{}; },
                    },
                    f.facts);
}

void AppendConvertCommand(std::string* out, const Making& making, std::string_view from,
                          std::string_view made, std::string_view from_lead) {
  const std::string_view type = making.type;
  const bool to_end = making.to_end;
  const RawSamples& raw = making.raw;
  switch (making.by) {
    case Converter::kNone:
      return;
    case Converter::kSox:
      out->append(to_end ? "sox --ignore-length " : "sox ");
      if (!type.empty()) out->append("-t ").append(type).append(" ");
      out->append(kNoGlob);
      AppendPathWord(out, from, "", from_lead);
      out->append(" -r ").append(Number(cd::kRate)).append(" -b ").append(Number(cd::kBits));
      out->append(" -c ").append(Number(cd::kChannels)).append(" ").append(kNoGlob);
      break;
    case Converter::kFfmpeg:
      out->append("ffmpeg -nostdin -n ");
      if (to_end) out->append("-ignore_length 1 ");
      if (!raw.format.empty()) {
        out->append("-f ").append(raw.format).append(" -ar ").append(Number(raw.rate));
        out->append(" -ac ").append(Number(raw.channels)).append(" -skip_initial_bytes ");
        out->append(Number(raw.start)).append(" ");
      }
      out->append("-i ");
      AppendPathWord(out, from, "", from_lead);
      if (!raw.format.empty()) out->append(" -af atrim=end_sample=").append(Number(raw.frames));
      out->append(" -ar ").append(Number(cd::kRate)).append(" -ac ");
      out->append(Number(cd::kChannels)).append(" -sample_fmt s").append(Number(cd::kBits));
      out->append(" ");
      break;
  }
  AppendPathWord(out, made);
}

void AppendJoinCommand(std::string* out, std::string_view a, std::string_view b,
                       std::string_view joined) {
  out->append("sox ").append(kNoGlob);
  AppendPathWord(out, a);
  out->append(" ").append(kNoGlob);
  AppendPathWord(out, b);
  out->append(" ").append(kNoGlob);
  AppendPathWord(out, joined);
}

void AppendPadCommand(std::string* out, std::string_view from, std::string_view made,
                      uint64_t samples) {
  out->append("sox ").append(kNoGlob);
  AppendPathWord(out, from);
  out->append(" ").append(kNoGlob);
  AppendPathWord(out, made);
  out->append(" pad 0 ").append(Number(samples)).append("s");
}

void AppendRenameCommand(std::string* out, std::string_view from, std::string_view stem) {
  out->append("mv ");
  AppendPathWord(out, from);
  out->push_back(' ');
  AppendPathWord(out, stem, ".wav");
}

}  // namespace vantorel
