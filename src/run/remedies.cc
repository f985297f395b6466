#include "run/remedies.h"

#include <algorithm>

#include "cd.h"

namespace vantorel {

namespace {

// Whether the shell takes every byte of s as itself, so that s needs no quotes.
bool IsShellSafe(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./+,:@%").find(c) != std::string_view::npos;
  });
}

std::string Number(uint64_t n) {
  return std::to_string(n);
}

}  // namespace

std::string CueTime(uint64_t frames) {
  uint64_t seconds = frames / cd::kFramesPerSecond;
  std::string time;
  for (uint64_t field : {seconds / 60, seconds % 60, frames % cd::kFramesPerSecond}) {
    if (!time.empty()) time += ':';
    if (field < 10) time += '0';
    time += std::to_string(field);
  }
  return time;
}

void AppendShellWord(std::string* out, std::string_view name, std::string_view suffix) {
  // A name that starts with a dash would be taken for an option.
  std::string_view dot_slash = (name.empty() ? suffix : name).starts_with('-') ? "./" : "";
  if (IsShellSafe(name) && IsShellSafe(suffix)) {
    out->append(dot_slash).append(name).append(suffix);
    return;
  }
  out->append("'").append(dot_slash);
  for (std::string_view part : {name, suffix}) {
    // A single quote ends the quoted text, stands escaped and opens it again.
    for (size_t quote; (quote = part.find('\'')) != part.npos; part.remove_prefix(quote + 1)) {
      out->append(part.substr(0, quote)).append("'\\''");
    }
    out->append(part);
  }
  out->push_back('\'');
}

std::string CdWavName(std::string_view stem) {
  return std::string(stem).append(kCdWavSuffix);
}

void AppendConvertCommand(std::string* out, Converter by, std::string_view from,
                          std::string_view stem) {
  switch (by) {
    case Converter::kNone:
      return;
    case Converter::kSox:
      out->append("sox ");
      AppendShellWord(out, from);
      out->append(" -r ").append(Number(cd::kRate)).append(" -b ").append(Number(cd::kBits));
      out->append(" -c ").append(Number(cd::kChannels)).append(" ");
      break;
    case Converter::kFfmpeg:
      out->append("ffmpeg -i ");
      AppendShellWord(out, from);
      out->append(" -ar ").append(Number(cd::kRate)).append(" -ac ");
      out->append(Number(cd::kChannels)).append(" -sample_fmt s").append(Number(cd::kBits));
      out->append(" ");
      break;
  }
  AppendShellWord(out, stem, kCdWavSuffix);
}

void AppendJoinCommand(std::string* out, std::string_view a, std::string_view b,
                       std::string_view joined) {
  out->append("sox ");
  AppendShellWord(out, a);
  out->push_back(' ');
  AppendShellWord(out, b);
  out->push_back(' ');
  AppendShellWord(out, joined);
}

void AppendPadCommand(std::string* out, std::string_view from, std::string_view stem,
                      uint64_t samples) {
  out->append("sox ");
  AppendShellWord(out, from);
  out->push_back(' ');
  AppendShellWord(out, stem, kCdWavSuffix);
  out->append(" pad 0 ").append(Number(samples)).append("s");
}

void AppendRenameCommand(std::string* out, std::string_view from, std::string_view stem) {
  out->append("mv ");
  AppendShellWord(out, from);
  out->push_back(' ');
  AppendShellWord(out, stem, ".wav");
}

}  // namespace vantorel
