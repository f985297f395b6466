#include "run/run.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

#include "audio/flac_cuesheet.h"
#include "audio/tags.h"
#include "audio/wavprobe.h"
#include "cd.h"
#include "cuesheet/cuesheet.h"
#include "disc/album_plan.h"
#include "disc/checks.h"
#include "disc/disc.h"
#include "disc/layout.h"
#include "io/cue_file.h"
#include "io/io.h"
#include "run/album_script.h"
#include "run/album_text.h"
#include "run/finding_text.h"
#include "run/remedies.h"
#include "run/script.h"
#include "run/shell.h"
#include "run/texts.h"
#include "tracklist/cue_reader.h"
#include "tracklist/list_form.h"
#include "tracklist/playlist.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

constexpr const char* kDefaultList = "tlist.txt";
constexpr const char* kDefaultCue = "output.cue";

// The status of a phase that ends the run, or kGoOn.
constexpr int kGoOn = -1;

struct List {
  std::string name;
  ReadBytes bytes;
  std::string_view text;  // The bytes read.
  FileId id;
  bool regular = false;
};

// Writes what standard output has not had yet. Returns false, now and on every later call, once
// a write has failed, and adds the line that says so to the standard error lines.
bool FlushOutput(Console* console) {
  if (console->out_error != 0) return false;
  console->out_error = WriteAll(1, console->out);
  if (console->out_error != 0) {
    console->err += StdoutFailed(console->out_error);
    return false;
  }
  console->out.clear();
  return true;
}

// Adds the standard error lines of findings.
void Say(Console* console, std::span<const Finding> findings, const Names& names) {
  AppendFindingLines(&console->err, findings, names);
  for (const Finding& f : findings) {
    console->warned = console->warned || (!IsError(f.kind) && !IsNote(f.kind));
  }
}

// The list is tlist.txt when that can be read, whatever the arguments say, and otherwise the
// first argument. With neither, the usage text is all there is to say.
int ChooseList(const std::vector<std::string>& args, Console* console, List* list) {
  list->name = kDefaultList;
  ListRead read = ReadWholeFile(kDefaultList, kMaxListBytes, &list->bytes);
  if (read.error != 0) {
    if (args.empty()) {
      console->out += kUsageText;
      return kExitNoList;
    }
    list->name = args[0];
    read = ReadWholeFile(list->name.c_str(), kMaxListBytes, &list->bytes);
  } else if (!args.empty() && !IsFile(args[0].c_str(), read.id)) {
    Finding not_used = {.kind = FindingKind::kListNotUsed, .subject = args[0]};
    Say(console, {&not_used, 1}, {list->name, ""});
  }
  if (read.error != 0) {
    console->out += ListCannotOpen(list->name, read.error);
    return kExitNoList;
  }
  list->text = list->bytes.view();
  // A WAV file named where the list belongs is said to be one, however large.
  if (list->text.starts_with("RIFF")) {
    Finding is_wav = {.kind = FindingKind::kListIsWav};
    Say(console, {&is_wav, 1}, {list->name, ""});
  }
  if (read.too_large) {
    console->out += ListTooLarge(list->name);
    return kExitNoList;
  }
  list->id = read.id;
  list->regular = read.regular;
  return kGoOn;
}

// The folder a regular list stands in, where the names it gives are, with its slash; empty for the
// working directory, and for a list read from a pipe.
std::string FolderOf(const List& list) {
  const size_t slash = list.name.rfind('/');
  return list.regular && slash != list.name.npos ? list.name.substr(0, slash + 1) : "";
}

// Looks up every line worth it: as it stands and, as a WAV name typed without its .wav, with it;
// or, for one that ends in .wav in mixed case, with .wav, with .WAV and as it stands.
void LookUpLines(std::vector<LineLookup>* lookups) {
  std::string name;
  for (LineLookup& lookup : *lookups) {
    std::string_view text = lookup.line.text;
    if (lookup.how == LookUp::kAsWritten) {
      lookup.names_a_file = IsRegularFile(name.assign(text).c_str());
      if (!lookup.names_a_file) lookup.names_a_wav = IsRegularFile(name.append(".wav").c_str());
      continue;
    }
    std::string_view stem = StemOf(text);
    if (IsRegularFile(name.assign(stem).append(".wav").c_str())) {
      lookup.spelling = Spelling::kLowerWav;
    } else if (IsRegularFile(name.assign(stem).append(".WAV").c_str())) {
      lookup.spelling = Spelling::kUpperWav;
    } else if (IsRegularFile(name.assign(text).c_str())) {
      lookup.spelling = Spelling::kAsWritten;
    }
  }
}

// The disc the list describes, with the lines worth it looked up: a line that names a file is
// that file.
Disc ReadDisc(const List& list) {
  TrackTable table;
  ClassifyTrackList(list.text, &table);
  std::vector<LineLookup> lookups = LinesToLookUp(table);
  LookUpLines(&lookups);
  return BuildDisc(table, std::move(lookups));
}

// What the probe and the tag reader may read of a file opened with its head read into head.
WavSource SourceOf(const HeadRead& read, std::span<const uint8_t> head) {
  int fd = read.fd;
  WavSource source{
      head.first(read.size), std::nullopt,
      [fd](uint64_t offset, std::span<uint8_t> into) { return ReadAt(fd, offset, into); }};
  if (read.regular) source.size = read.file_size;
  return source;
}

// Reads the head of the WAV file the entry names and probes it, reading on where its chunk list
// leads past the head, and where tags is given, reads its tags too, with flac_only only those of a
// FLAC file. path is room for the name as the C library takes it, kept from one file to the next.
WavFile GET_ATTRIBUTES(const ListLine& entry, std::string* path, FileTags* tags,
                       bool flac_only = false) {
  path->assign(entry.text);
  uint8_t head[kHeadBytes];
  HeadRead read = ReadHead(path->c_str(), head);
  WavFile wav{.id = read.id};
  if (!read.opened) {
    wav.open_error = read.error;
    // The name without the blanks at its end is looked up only once the name itself failed.
    std::string_view trimmed = TrimTrailingBlanks(entry.text);
    if (trimmed.size() != entry.text.size() && IsRegularFile(path->assign(trimmed).c_str())) {
      wav.trimmed_name = trimmed;
    }
    return wav;
  }
  int error = read.error;
  if (error == 0) {
    WavSource source = SourceOf(read, head);
    wav.header = ProbeHeader(source);
    error = wav.header.read_error;
    if (tags != nullptr && error == 0 &&
        (!flac_only || wav.header.other_audio == OtherAudio::kFlac)) {
      *tags = ReadTags(source);
    }
  }
  if (read.fd >= 0) error = CloseKeeping(read.fd, error);
  wav.read_error = error;
  return wav;
}

// The tags of the file called name, as far as they can be read; none where it cannot be opened.
FileTags TagsOfFile(const std::string& name) {
  uint8_t head[kHeadBytes];
  HeadRead read = ReadHead(name.c_str(), head);
  FileTags tags;
  if (read.opened && read.error == 0) {
    WavSource source = SourceOf(read, head);
    tags = ReadTags(source);
  }
  // Only read: a failed close loses nothing the tags need.
  if (read.fd >= 0) (void)CloseKeeping(read.fd, 0);
  return tags;
}

// A path as the text it is without its empty and . parts, each .. taken with the part before
// it: ./sub/s.flac, sub//s.flac and sub/../sub/s.flac are all sub/s.flac. The two name one file
// unless the part a .. takes is a link.
std::string PlainPath(std::string_view path) {
  const bool absolute = path.starts_with('/');
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    size_t slash = std::min(path.find('/'), path.size());
    std::string_view part = path.substr(0, slash);
    path.remove_prefix(std::min(slash + 1, path.size()));
    if (part.empty() || part == ".") continue;
    if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
    } else if (part != ".." || !absolute || !parts.empty()) {
      // The root's .. is the root.
      parts.push_back(part);
    }
  }
  std::string plain = absolute ? "/" : "";
  for (std::string_view part : parts) {
    if (plain.size() > 1 || (!absolute && !plain.empty())) plain.push_back('/');
    plain.append(part);
  }
  return plain.empty() ? "." : plain;
}

// Names for the files that fixes make, each one that no file has, no line of the list names and
// no other fix makes. The working directory's names are read once, and only when a name is needed.
struct NewNames {
  std::string_view list_text;
  // Whether the script is made. A plain run says the files that end inside a CD frame in one
  // line that names none, and so needs no name for their padding or joining.
  bool script = false;
  // Names are told apart by the hashes of their plain paths alone: where two differ but their
  // hashes agree, a name that is free is only passed over. The list's lines, sorted; each
  // directory's names, read at the first name in it that is tried, where it can be read whole;
  // the names given.
  std::optional<std::vector<size_t>> lines = {};
  std::vector<std::pair<std::string, std::optional<std::vector<size_t>>>> directories = {};
  std::vector<size_t> given = {};
  // The file each CD WAV is made of, by the hash of its line's plain path, the line, the stem the
  // CD WAV is named after and how many names its name passes over. Lines that name one file in
  // other words share its CD WAV.
  struct MadeOf {
    size_t hash;
    std::string_view line;
    std::string_view stem;
    uint16_t skip;
  };
  std::vector<MadeOf> made_of = {};

  static size_t Hash(std::string_view text) { return std::hash<std::string_view>()(text); }
  // Whether a name is its own plain path: it has no empty, "." or ".." part, as most names have;
  // a name whose part starts with a dot is taken as one that may.
  static bool IsPlain(std::string_view name) {
    if (name.empty() || name[0] == '.' || name.back() == '/') return false;
    for (size_t slash = name.find('/'); slash != name.npos; slash = name.find('/', slash + 1)) {
      if (name[slash + 1] == '/' || name[slash + 1] == '.') return false;
    }
    return true;
  }
  // The hash of a name's plain path.
  static size_t PlainHash(std::string_view name) {
    return IsPlain(name) ? Hash(name) : Hash(PlainPath(name));
  }

  bool Taken(std::string_view name) {
    const size_t hash = PlainHash(name);
    if (std::find(given.begin(), given.end(), hash) != given.end()) return true;
    if (!lines) {
      lines.emplace();
      size_t pos = 0;
      for (std::string_view line; !(line = NextLine(list_text, &pos)).empty();) {
        lines->push_back(PlainHash(line));
      }
      std::sort(lines->begin(), lines->end());
    }
    if (std::binary_search(lines->begin(), lines->end(), hash)) return true;
    size_t slash = name.rfind('/');
    std::string_view directory = slash == name.npos ? "." : name.substr(0, slash + 1);
    auto listed = std::find_if(directories.begin(), directories.end(),
                               [&](const auto& d) { return d.first == directory; });
    if (listed == directories.end()) {
      std::string path(directory);
      listed = directories.emplace(directories.end(), path, NameHashesInDirectory(path.c_str()));
    }
    if (!listed->second) return NameIsTaken(std::string(name).c_str());
    return std::binary_search(listed->second->begin(), listed->second->end(),
                              Hash(name.substr(slash == name.npos ? 0 : slash + 1)));
  }

  // How many names, made by name_of, are passed over to the first that is not taken; that one
  // is then given.
  template <typename NameOf>
  uint16_t Skip(NameOf name_of) {
    // Past this many, a name is tried no further: the script stops where it is taken.
    constexpr uint16_t kMostTried = 1000;
    uint16_t skip = 0;
    std::string name = name_of(skip);
    while (skip < kMostTried && Taken(name)) name = name_of(++skip);
    given.push_back(PlainHash(name));
    return skip;
  }

  // Whether the lines a and b, whose plain paths' hashes agree, name one file: their plain paths
  // are one, and where a .. may have been taken with a link, both lead to one file.
  static bool SameFile(std::string_view a, std::string_view b) {
    if (a == b) return true;
    if ((IsPlain(a) && IsPlain(b)) || PlainPath(a) != PlainPath(b)) return false;
    if (a.find("..") == a.npos && b.find("..") == b.npos) return true;
    std::optional<FileId> id = IdOfFile(std::string(a).c_str());
    return id && id == IdOfFile(std::string(b).c_str());
  }

  void Give(std::span<Finding> findings) {
    for (Finding& f : findings) {
      if (!script && f.kind == FindingKind::kEndsInsideFrame) continue;
      // The converter makes a CD WAV of the file; a file that ends inside a frame may be padded
      // into one.
      if (NewFile* file = NewFileOf(&f); file != nullptr && file->by != Converter::kNone) {
        size_t hash = PlainHash(f.subject);
        auto made = std::find_if(made_of.begin(), made_of.end(), [&](const MadeOf& m) {
          return m.hash == hash && SameFile(m.line, f.subject);
        });
        if (made != made_of.end()) {
          file->skip = made->skip;
          file->stem = made->stem;
        } else {
          file->skip = Skip([&](uint32_t skip) { return CdWavName(file->stem, skip); });
          made_of.push_back({hash, f.subject, file->stem, file->skip});
        }
      }
      if (auto* padding = std::get_if<Padding>(&f.facts); padding != nullptr && padding->joinable) {
        const std::string joined = JoinedName(f.subject, padding->next_file);
        padding->joined_skip = Skip([&](uint32_t skip) { return NumberedName(joined, skip); });
      }
    }
  }
};

// Probes every WAV file of the disc in the order of the list, and returns whether every one can
// be used. With report, standard output tells of the files up to the first that cannot be used;
// standard error tells of every one. Without report, every finding is added to found too, and
// each file's tags to tags, for the script.
bool ProbeFiles(Disc* disc, const List& list, bool report, Console* console, NewNames* new_names,
                std::vector<Finding>* found, std::vector<LineTags>* tags) {
  bool usable = true;
  std::string path;
  FileTags flac_tags;
  for (DiscFile& file : disc->files) {
    FileTags* file_tags = nullptr;
    if (!report) {
      tags->push_back({file.entry.number, file.entry.text});
      file_tags = &tags->back().tags;
    } else if (disc->files.size() == 1 && file.track_count == 1) {
      // Of a list of one FLAC file, the report says where it holds the album's cue sheet.
      file_tags = &flac_tags;
    }
    file.wav = GET_ATTRIBUTES(file.entry, &path, file_tags, report);
    if (!flac_tags.cuesheet.empty() || !flac_tags.cuesheet_block.empty()) {
      console->err += FlacHoldsCueSheet(list.name, file.entry);
    }
    if (usable && report) AppendProbeMessages(&console->out, file.entry.text, file.wav);
    std::vector<Finding> of_file = ProbeFindings(file);
    new_names->Give(of_file);
    Say(console, of_file, {list.name, ""});
    if (!report) found->insert(found->end(), of_file.begin(), of_file.end());
    usable = usable && IsUsable(file.wav);
  }
  return usable;
}

// Writes the cue file and says so; too_many_tracks says that the checks found more tracks than a
// CD holds, which standard output says too.
int WriteCue(const std::string& name, const std::string& text, const Disc& disc, const List& list,
             bool too_many_tracks, Console* console) {
  // What has been said so far goes out before the cue file, which may be standard output itself.
  if (!FlushOutput(console)) return kExitNoOutput;
  // The cue file must never be written over the list or one of its WAV files.
  std::vector<GuardedFile> guarded;
  guarded.reserve(disc.files.size() + 1);
  guarded.push_back({list.id, Guard::kTrackList});
  for (const DiscFile& file : disc.files) guarded.push_back({file.wav.id, Guard::kWavFile});
  CueFileWrite written = WriteCueFile(name, text, guarded);
  if (written.unlocked) {
    Finding unlocked = {.kind = FindingKind::kWrittenWithoutLock, .subject = name};
    Say(console, {&unlocked, 1}, {"", name});
  }
  // A file this run made and could not write stays only where it cannot be removed, or where
  // another program has moved it from its name; either way, standard error names it as it is now.
  if (!written.left.empty()) console->err += CueNotRemoved(written.left, written.not_removed);
  if (!written.ok()) {
    console->out += CueCannotWrite(name, written);
    return kExitNoOutput;
  }
  if (too_many_tracks) console->out += TooManyTracks();
  console->out += CueWritten(name);
  return kExitDone;
}

// The options, wherever they stand before a "--" (which ends them and is not a name): the rest of
// the arguments are the list and the cue file, in their order.
struct Options {
  bool strict = false;
  bool tracks = false;
  bool script = false;
  bool help = false;
  bool version = false;
  std::string unknown = {};  // An argument that looks like an option and is none.
};

Options TakeOptions(std::vector<std::string>* args) {
  Options options;
  std::vector<std::string> names;
  bool ended = false;
  for (std::string& arg : *args) {
    if (ended || arg == "-" || !arg.starts_with('-')) {
      names.push_back(std::move(arg));
      continue;
    }
    bool* given = arg == "--strict"                ? &options.strict
                  : arg == "--tracks"              ? &options.tracks
                  : arg == "--script"              ? &options.script
                  : arg == "--help" || arg == "-h" ? &options.help
                  : arg == "--version"             ? &options.version
                                                   : nullptr;
    if (arg == "--") {
      ended = true;
    } else if (given != nullptr) {
      *given = true;
    } else if (options.unknown.empty()) {
      options.unknown = arg;
    }
  }
  *args = std::move(names);
  return options;
}

// The fix script of list, whose run made disc, laid out as layout says, with findings, the tags of
// the files its lines name, and the names the fixes' new files take.
std::string ScriptOf(const List& list, const std::string& cue_name, const Disc& disc,
                     const DiscLayout& layout, std::span<const Finding> findings,
                     std::vector<LineTags> tags, NewNames* new_names) {
  // A regular list's copy is LIST.orig, else LIST.orig2, ...; the fixed list of any other is
  // tlist.txt, else tlist2.txt, ...
  auto new_name_of = [&](uint32_t skip) {
    if (!list.regular) return NumberedName(kDefaultList, skip);
    return NewFileName(list.name, skip == 0 ? ".orig" : ".orig" + std::to_string(skip + 1));
  };
  const std::string new_name = new_name_of(new_names->Skip(new_name_of));
  // The files of another kind that the script converts have tags too. Both lists are in the
  // list's order, as the findings are.
  std::vector<LineTags> converted;
  for (const Finding& f : findings) {
    if (f.kind == FindingKind::kOtherAudio &&
        FactsOf<FindingKind::kOtherAudio>(f).made.by != Converter::kNone) {
      converted.push_back({f.line, f.subject, TagsOfFile(std::string(f.subject))});
    }
  }
  std::vector<LineTags> merged(tags.size() + converted.size());
  std::merge(std::make_move_iterator(tags.begin()), std::make_move_iterator(tags.end()),
             std::make_move_iterator(converted.begin()), std::make_move_iterator(converted.end()),
             merged.begin(),
             [](const LineTags& a, const LineTags& b) { return a.number < b.number; });
  const std::string folder = WorkingDirectory().value_or("");
  return FixScript({list.text, list.regular, new_name, merged, folder}, disc, layout, findings,
                   {list.name, cue_name});
}

// The endings an album's file may be found under where the name its sheet gives is not there: a
// sheet written for a WAV image beside the FLAC file made of it, or the other way round.
constexpr std::string_view kAudioEndings[] = {".flac", ".wav",  ".ape",  ".wv",  ".mp3", ".m4a",
                                              ".ogg",  ".opus", ".aiff", ".aif", ".wma", ".w64"};

// An album, and what the run learned of each of its files: the name it is found by (the name it
// is given, where it is not found), what it is, how a CD WAV is made of it and its tags.
struct AlbumRun {
  AlbumRead read = {};
  // What the album's findings name: the sheet, or the FLAC file that holds it.
  std::string source = {};
  // The folder its names are relative to, with its slash; empty for the working directory.
  std::string prefix = {};
  std::vector<std::string> paths = {};
  std::vector<AlbumFileFacts> facts = {};
  std::vector<Making> makings = {};
  std::vector<FileTags> tags = {};
  // The probe's findings of the files that cannot be used, on the lines of their FILE lines.
  std::vector<Finding> probe_errors = {};
};

// The album the cue sheet of a FLAC file gives, its one file the FLAC file named by line: from
// its CUESHEET tag where that names one file, else from its CUESHEET block; nothing where it
// holds neither. What the sheet says of its own FILE line, of a name no longer used, is dropped.
std::optional<AlbumRead> AlbumOfFlac(const ListLine& line, const FileTags& tags) {
  AlbumRead read;
  if (!tags.cuesheet.empty()) read = ReadCueSheet(tags.cuesheet);
  if (read.album.files.size() != 1 || read.album.tracks.empty()) {
    if (tags.cuesheet_block.empty()) return std::nullopt;
    read = ReadFlacCueSheet(tags.cuesheet_block, tags.samples, tags.rate).read;
  }
  if (read.album.files.empty()) return std::nullopt;
  AlbumFile& file = read.album.files[0];
  std::erase_if(read.findings, [&](const AlbumFinding& f) {
    return f.line == file.line && f.line != 0 &&
           (f.kind == AlbumFindingKind::kAbsoluteName ||
            f.kind == AlbumFindingKind::kParentInName || f.kind == AlbumFindingKind::kWordNotKnown);
  });
  file.raw_name = file.name = line.text;
  return read;
}

// Where the file the album names is found: under its name as the sheet writes it, as UTF-8 or
// without its folders, or else under its stem with another audio ending.
struct FoundFile {
  std::string path;
  PathKind kind = PathKind::kNone;
  bool other_name = false;
};
FoundFile FindAlbumFile(std::string_view prefix, const AlbumFile& file) {
  std::vector<std::string> names = {file.raw_name};
  if (file.name != file.raw_name) names.push_back(file.name);
  if (size_t slash = file.name.rfind('/'); slash != file.name.npos) {
    names.push_back(file.name.substr(slash + 1));
  }
  FoundFile found = {std::string(prefix).append(file.name)};
  for (const std::string& name : names) {
    std::string path = std::string(prefix).append(name);
    PathKind kind = KindOfPath(path.c_str());
    if (kind == PathKind::kRegular) return {path, kind};
    if (kind != PathKind::kNone && found.kind == PathKind::kNone) found = {path, kind};
  }
  if (found.kind != PathKind::kNone) return found;
  for (const std::string& name : names) {
    for (std::string_view ending : kAudioEndings) {
      for (bool upper : {false, true}) {
        std::string path = std::string(prefix).append(StemOf(name)).append(ending);
        if (upper)
          std::transform(path.end() - ending.size(), path.end(), path.end() - ending.size(),
                         [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
        if (name.ends_with(path.substr(path.size() - ending.size()))) continue;
        if (KindOfPath(path.c_str()) == PathKind::kRegular) return {path, PathKind::kRegular, true};
      }
    }
  }
  return found;
}

// The probe of a file of the album, its tags and its size.
struct ProbedFile {
  WavFile wav;
  FileTags tags;
  uint64_t size = 0;
};
ProbedFile ProbeAlbumFile(const std::string& path) {
  uint8_t head[kHeadBytes];
  HeadRead read = ReadHead(path.c_str(), head);
  ProbedFile probed;
  probed.wav.id = read.id;
  if (!read.opened) {
    probed.wav.open_error = read.error;
    return probed;
  }
  int error = read.error;
  if (error == 0) {
    WavSource source = SourceOf(read, head);
    probed.wav.header = ProbeHeader(source);
    error = probed.wav.header.read_error;
    if (error == 0) probed.tags = ReadTags(source);
  }
  if (read.fd >= 0) error = CloseKeeping(read.fd, error);
  probed.wav.read_error = error;
  probed.size = read.file_size;
  const HeaderFacts& h = probed.wav.header;
  probed.wav.length = LengthOf(h.sample_frames, h.sample_rate);
  return probed;
}

// Learns what the album's file f is, found at path: CD audio as it stands, audio a converter
// makes a CD WAV of, or neither, which the probe's findings say; and its length.
void LearnFile(AlbumRun* run, size_t f, const ProbedFile& probed) {
  const AlbumFile& file = run->read.album.files[f];
  const std::string& path = run->paths[f];
  AlbumFileFacts& facts = run->facts[f];
  const HeaderFacts& h = probed.wav.header;
  facts.state = FileState::kConverted;
  Making& making = run->makings[f];
  auto length = [&](uint64_t samples, uint32_t rate) {
    if (samples == 0 || rate == 0) return;
    const Length l = LengthOf(samples, rate);
    facts.frames = BurnedFrames(l);
    facts.whole = rate == cd::kRate && l.part_frame == 0;
  };
  const bool raw = (file.type == FileType::kBinary || file.type == FileType::kMotorola) &&
                   probed.wav.open_error == 0 && probed.wav.read_error == 0 &&
                   h.other_audio == OtherAudio::kNone && !h.format_found;
  if (raw) {
    // A disc's raw audio, as redumper and other rippers write it: 16-bit stereo at the CD's rate,
    // little-endian, or big-endian where the sheet says MOTOROLA.
    constexpr uint64_t kFrameBytes = cd::kSamplesPerFrame * cd::kChannels * cd::kBits / 8;
    const uint64_t frames = probed.size / kFrameBytes;
    making = {Converter::kFfmpeg,
              {},
              false,
              {file.type == FileType::kBinary ? "s16le" : "s16be", cd::kRate, cd::kChannels, 0,
               frames * cd::kSamplesPerFrame}};
    length(frames * cd::kSamplesPerFrame, cd::kRate);
    return;
  }
  DiscFile disc_file;
  disc_file.entry = {file.line, path};
  disc_file.wav = probed.wav;
  std::vector<Finding> found = FileFindings(disc_file);
  // An error whose fix makes no CD WAV of the file leaves it of no use.
  auto of_no_use = [](const Finding& x) { return IsError(x.kind) && FixOf(x).command.empty(); };
  if (std::any_of(found.begin(), found.end(), of_no_use)) {
    facts.state = FileState::kNotUsable;
    std::copy_if(found.begin(), found.end(), std::back_inserter(run->probe_errors), of_no_use);
    return;
  }
  if (h.other_audio == OtherAudio::kFlac) {
    length(probed.tags.samples, probed.tags.rate);
  } else if (h.other_audio == OtherAudio::kNone) {
    length(h.sample_frames != 0 ? h.sample_frames : h.present_frames, h.sample_rate);
  }
  auto converted = std::find_if(found.begin(), found.end(),
                                [](const Finding& x) { return !FixOf(x).command.empty(); });
  if (converted != found.end()) {
    making = MakingOf(*converted);
  } else if (!found.empty() || !NamesWav(path) || path.find('"') != path.npos) {
    // CD audio cdrdao would not take under its name, or as its header stands: sox copies it.
    making = {Converter::kSox};
  } else {
    facts.state = FileState::kAsIs;
  }
}

// Looks up and probes every file of the album an audio track lies in, and says what is wrong with
// the others.
void LearnFiles(AlbumRun* run) {
  const Album& album = run->read.album;
  const std::vector<bool> in_use = FilesInUse(album);
  run->paths.resize(album.files.size());
  run->facts.resize(album.files.size());
  run->makings.resize(album.files.size());
  run->tags.resize(album.files.size());
  std::vector<FoundFile> found(album.files.size());
  for (size_t f = 0; f < album.files.size(); ++f) {
    const AlbumFile& file = album.files[f];
    run->paths[f] = file.name;
    if (!in_use[f]) continue;
    run->facts[f].state = FileState::kNotUsable;
    // A name the reader found leading out of the folder is not looked up.
    if (NameProblem(file.name)) continue;
    found[f] = FindAlbumFile(run->prefix, file);
    run->paths[f] = found[f].path;
    const uint64_t at = f;
    if (found[f].kind == PathKind::kNone) {
      AddAlbumFinding(&run->read.findings, {AlbumFindingKind::kFileMissing, file.line, at});
    } else if (found[f].kind != PathKind::kRegular) {
      AddAlbumFinding(&run->read.findings, {AlbumFindingKind::kFileNotRegular, file.line, at,
                                            found[f].kind == PathKind::kDirectory ? 1u : 0u});
    } else if (found[f].other_name) {
      AddAlbumFinding(&run->read.findings, {AlbumFindingKind::kFileOtherName, file.line, at});
    }
  }
  // Every path is in place before a finding's subject is taken from one.
  for (size_t f = 0; f < album.files.size(); ++f) {
    if (found[f].kind != PathKind::kRegular) continue;
    ProbedFile probed = ProbeAlbumFile(run->paths[f]);
    LearnFile(run, f, probed);
    run->tags[f] = std::move(probed.tags);
  }
}

// A playlist's titles and performers: each track's from its file's tags, or else its #EXTINF
// line; the disc's title from the album the tags agree on, and its performer from the album
// artist they agree on, or else the performer every track agrees on.
void PlaylistTexts(AlbumRun* run) {
  Album& album = run->read.album;
  std::vector<std::string> albums, album_artists, performers;
  for (size_t i = 0; i < album.tracks.size(); ++i) {
    const FileTags& tags = run->tags[i];
    AlbumTexts& texts = album.tracks[i].texts;
    if (!tags.title.empty()) texts.title = tags.title;
    if (!tags.artist.empty()) texts.performer = tags.artist;
    albums.push_back(tags.album);
    album_artists.push_back(tags.album_artist);
    performers.push_back(texts.performer);
  }
  album.texts.title = AgreedText(albums);
  album.texts.performer = AgreedText(album_artists);
  if (album.texts.performer.empty()) album.texts.performer = AgreedText(performers);
}

// The files of the album's disc as the script makes them, their names in file_names: a file
// joined of parts, or converted, gets a free name; one that is CD audio keeps its own.
std::vector<ScriptFile> AlbumFiles(const AlbumRun& run, const AlbumPlan& plan, NewNames* new_names,
                                   std::vector<std::string>* file_names) {
  std::vector<ScriptFile> files;
  if (!plan.usable) return files;
  for (const PlannedFile& planned : plan.files) {
    const std::string& first = run.paths[planned.parts.front()];
    const std::string& last = run.paths[planned.parts.back()];
    if (planned.parts.size() > 1) {
      const std::string joined = JoinedName(first, last);
      file_names->push_back(NumberedName(
          joined, new_names->Skip([&](uint32_t s) { return NumberedName(joined, s); })));
    } else if (run.facts[planned.parts[0]].state == FileState::kConverted) {
      const std::string_view stem = StemOf(first);
      file_names->push_back(
          CdWavName(stem, new_names->Skip([&](uint32_t s) { return CdWavName(stem, s); })));
    } else {
      file_names->push_back(first);
    }
  }
  // The files' names are views of file_names, whole by now.
  for (size_t i = 0; i < file_names->size(); ++i) {
    ScriptFile& file = files.emplace_back(ScriptFile{(*file_names)[i], {}});
    for (uint16_t part : plan.files[i].parts) {
      file.parts.push_back({run.paths[part], run.makings[part]});
    }
  }
  return files;
}

// The script's comments of the album's findings and of the files that could not be read.
std::string AlbumComments(const AlbumRun& run, const AlbumPlan& plan, const AlbumNames& names) {
  std::string said;
  for (const AlbumFinding& f : plan.findings) {
    const size_t from = said.size();
    said.append("# ");
    AppendAlbumPlacedText(&said, f, names);
    EndComment(&said, from);
  }
  for (const Finding& f : run.probe_errors) {
    const size_t from = said.size();
    said.append("# ");
    AppendPlacedText(&said, f, {run.source, ""});
    EndComment(&said, from);
  }
  return said;
}

// Lays the album out, says what is wrong with it and, with script, prints the script that makes
// its track list. Without, it says that the list is an album's and how its track list is made.
int RunAlbum(const List& list, bool script, bool in_list, AlbumRun* run, Console* console) {
  const AlbumPlan plan = PlanAlbum(run->read, run->facts);
  const AlbumNames names{run->source, run->read.album, run->paths};
  AppendAlbumFindingLines(&console->err, plan.findings, names);
  AppendFindingLines(&console->err, run->probe_errors, {run->source, ""});
  for (const AlbumFinding& f : plan.findings) {
    console->warned = console->warned || SeverityOf(f.kind) != Severity::kNote;
  }
  console->warned = console->warned || !run->probe_errors.empty();
  if (!script) {
    console->out += AlbumIsNoList(list.name, FormOfList(list.name, list.text), plan.usable);
    return kExitNoList;
  }
  NewNames new_names{.list_text = ""};
  std::vector<std::string> file_names;
  const std::vector<ScriptFile> files = AlbumFiles(*run, plan, &new_names, &file_names);
  std::string comments;
  std::string list_text;
  if (plan.usable) list_text = AlbumListText(run->read.album, plan, file_names, &comments);
  comments.insert(0, AlbumComments(*run, plan, names));
  // A sheet that is the list the tool reads first gives way to its track list, kept as it was
  // under another name: beside it, the track list would never be read.
  const bool in_place = (in_list || list.name == kDefaultList) && list.regular;
  auto list_name_of = [&](uint32_t skip) {
    if (!in_place) return NumberedName(kDefaultList, skip);
    return NewFileName(list.name, skip == 0 ? ".orig" : ".orig" + std::to_string(skip + 1));
  };
  const std::string list_name = list_name_of(new_names.Skip(list_name_of));
  const std::string folder = WorkingDirectory().value_or("");
  console->out += AlbumScript({.source = list.name,
                               .source_text = list.text,
                               .source_regular = list.regular,
                               .folder = folder,
                               .files = files,
                               .list_text = list_text,
                               .list_name = list_name,
                               .in_place = in_place,
                               .comments = comments});
  return kExitDone;
}

// A cue sheet or a playlist is an album, whose track list the script makes: its run's status, or
// nothing where the list is a track list. A text taken for a cue sheet by its first lines alone
// is one only where it has a track: a list may start with a title.
std::optional<int> RunSheetOrPlaylist(const List& list, bool script, Console* console) {
  const ListForm form = FormOfList(list.name, list.text);
  if (form == ListForm::kTrackList) return std::nullopt;
  AlbumRun run{.source = list.name, .prefix = FolderOf(list)};
  run.read = form == ListForm::kPlaylist ? PlaylistAlbum(ReadPlaylist(list.text))
                                         : ReadCueSheet(list.text);
  if (FormOfList(list.name, "") == ListForm::kTrackList && run.read.album.tracks.empty()) {
    return std::nullopt;
  }
  LearnFiles(&run);
  if (form == ListForm::kPlaylist) PlaylistTexts(&run);
  return RunAlbum(list, script, false, &run, console);
}

// A list of one FLAC file that holds a cue sheet, and no split, is that album's: the status of
// the run that makes its track list, with what was said of the list up to said taken back, or
// nothing for any other list.
std::optional<int> RunFlacAlbum(const List& list, const Disc& disc,
                                const std::vector<LineTags>& tags, size_t said, Console* console) {
  if (disc.files.size() != 1 || disc.files[0].track_count != 1 ||
      disc.files[0].wav.header.other_audio != OtherAudio::kFlac) {
    return std::nullopt;
  }
  std::optional<AlbumRead> read = AlbumOfFlac(disc.files[0].entry, tags[0].tags);
  if (!read) return std::nullopt;
  AlbumRun run{.read = std::move(*read), .source = std::string(disc.files[0].entry.text)};
  // The list's own texts of the disc stand where the album gives none.
  AlbumTexts& texts = run.read.album.texts;
  if (texts.title.empty()) texts.title = TrimBlanks(disc.title.raw);
  if (texts.performer.empty()) texts.performer = TrimBlanks(disc.performer.raw);
  console->err.resize(said);
  LearnFiles(&run);
  return RunAlbum(list, true, true, &run, console);
}

// With tracks, the report goes on with the view of every track on the disc. With script, standard
// output is the script of the fixes in place of the report, and no cue file is written. Standard
// error tells of every finding of the whole list, even where a WAV file cannot be used.
int RunPhases(const std::vector<std::string>& args, const Options& options, Console* console) {
  if (!options.unknown.empty()) {
    console->err += UnknownOption(options.unknown);
    return kExitNoList;
  }
  if (options.help || options.version) {
    console->out += options.help ? HelpText() : VersionLine();
    return kExitDone;
  }
  List list;
  if (int status = ChooseList(args, console, &list); status != kGoOn) return status;
  // The second argument names the cue file only when there are exactly two.
  std::string cue_name = args.size() == 2 ? args[1] : kDefaultCue;

  if (std::optional<int> status = RunSheetOrPlaylist(list, options.script, console)) {
    return *status;
  }

  Disc disc = ReadDisc(list);
  std::vector<Finding> found;
  const bool report = !options.script;
  NewNames new_names{.list_text = list.text, .script = options.script};
  // Only the script reads the files' tags, for the titles it writes.
  std::vector<LineTags> tags;
  const size_t said = console->err.size();
  const bool usable = ProbeFiles(&disc, list, report, console, &new_names, &found, &tags);
  if (options.script) {
    if (std::optional<int> status = RunFlacAlbum(list, disc, tags, said, console)) return *status;
  }

  MeasureLengths(&disc);
  if (usable && report) {
    AppendLengthReport(&console->out, disc, TotalTimeOf(disc.total_seconds));
  }
  const DiscLayout layout = LayOutDisc(disc);
  if (usable && report && options.tracks) AppendTrackView(&console->out, disc, layout);
  std::vector<Finding> checked = CheckDisc(disc, layout);
  new_names.Give(checked);
  Say(console, checked, {list.name, cue_name});
  if (options.script) {
    found.insert(found.end(), checked.begin(), checked.end());
    console->out += ScriptOf(list, cue_name, disc, layout, found, std::move(tags), &new_names);
    return kExitDone;
  }
  if (!usable) return kExitBadWav;
  bool too_many_tracks = std::any_of(checked.begin(), checked.end(), [](const Finding& f) {
    return f.kind == FindingKind::kTooManyTracks;
  });
  std::string cue = BuildCueSheet(disc, layout);
  return WriteCue(cue_name, cue, disc, list, too_many_tracks, console);
}

}  // namespace

int Run(std::vector<std::string> args, Console* console) {
  // With --strict, a run that warned of anything ends with a status of its own, so that a script
  // can stop before it burns the sheet.
  const Options options = TakeOptions(&args);
  int status = RunPhases(args, options, console);
  if (options.strict && !options.script && status == kExitDone && console->warned) {
    status = kExitWarned;
  }
  if (!FlushOutput(console)) status = kExitNoOutput;
  // Standard error follows all of standard output. Nothing more can be said if it fails.
  (void)WriteAll(2, console->err);
  console->err.clear();
  return status;
}

}  // namespace vantorel
