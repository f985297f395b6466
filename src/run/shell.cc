#include "run/shell.h"

#include <algorithm>

#include "run/finding_text.h"
#include "run/remedies.h"

namespace vantorel {

namespace {

// Whether byte is a control character, which the script shows none of: any below a space but the
// tab, and DEL.
bool IsControl(char byte) {
  const unsigned char c = static_cast<unsigned char>(byte);
  return (c < 0x20 && c != '\t') || c == 0x7F;
}

// The three octal digits of byte.
std::string Octal(char byte) {
  const unsigned char c = static_cast<unsigned char>(byte);
  return {static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + (c >> 3 & 7)),
          static_cast<char>('0' + (c & 7))};
}

// Appends byte as an octal escape, as printf reads it.
void AppendOctal(std::string* out, char byte) {
  out->append("\\").append(Octal(byte));
}

}  // namespace

void AppendPrintfFormat(std::string* out, std::string_view text, bool one_line) {
  std::string format;
  for (char c : text) {
    if ((c == '-' && format.empty()) || c == '%') {
      AppendOctal(&format, c);
    } else if (c == '\\') {
      format.append("\\\\");
    } else if (c == '\r' || (c == '\n' && one_line)) {
      format.append(c == '\r' ? "\\r" : "\\n");
    } else if (IsControl(c) && c != '\n') {
      AppendOctal(&format, c);
    } else {
      format.push_back(c);
    }
  }
  AppendSingleQuoted(out, format);
}

void EndComment(std::string* out, size_t from) {
  MaskControls(out, from);
  out->push_back('\n');
}

void EndCommand(std::string* out, size_t from, Controls* controls) {
  auto control = std::find_if(out->begin() + static_cast<ptrdiff_t>(from), out->end(), IsControl);
  if (control != out->end()) {
    std::string tail(control, out->end());
    out->erase(control, out->end());
    for (char c : tail) {
      if (!IsControl(c)) {
        out->push_back(c);
        continue;
      }
      const unsigned char byte = static_cast<unsigned char>(c);
      *controls |= Controls{1} << (byte == 0x7F ? 32 : byte);
      out->append("'\"$c").append(Octal(c)).append("\"'");
    }
  }
  out->push_back('\n');
}

std::string ControlVariables(Controls controls) {
  std::string out;
  for (int bit = 0; bit <= 32; ++bit) {
    if ((controls >> bit & 1) == 0) continue;
    const std::string octal = Octal(static_cast<char>(bit == 32 ? 0x7F : bit));
    const std::string name = "c" + octal;
    // A command substitution drops the line ends at its end: the dot after it keeps them.
    out.append(name).append("=$(printf '\\").append(octal).append(".'); ");
    out.append(name).append("=${").append(name).append("%.}\n");
  }
  return out;
}

void AppendGuard(std::string* out, std::string_view list_name, std::string_view list_text,
                 Controls* controls) {
  out->append("same() {\n  [ \"$(cksum < \"$1\")\" = '").append(CksumLine(list_text));
  out->append("' ] || {\n    printf '%s\\n' ");
  std::string changed(list_name);
  MaskControls(&changed, 0);
  changed.append(" has changed since this script was made; run vantorel --script again");
  AppendSingleQuoted(out, changed);
  out->append(" >&2\n    exit 1\n  }\n}\n");
  size_t from = out->size();
  out->append("same ");
  AppendPathWord(out, list_name);
  EndCommand(out, from, controls);
}

void AppendFolderCheck(std::string* out, std::string_view folder, Controls* controls) {
  size_t from = out->size();
  out->append("[ \"$(pwd -P)\" = ");
  AppendSingleQuoted(out, folder);
  out->append(" ] || {");
  EndCommand(out, from, controls);
  std::string said = "this script was made for the folder ";
  said.append(folder).append("; run it there");
  MaskControls(&said, 0);
  out->append("  printf '%s\\n' ");
  AppendSingleQuoted(out, said);
  out->append(" >&2\n  exit 1\n}\n");
}

const std::string_view kNaming =
    "taken() {\n"
    "  printf '%s' \"${1#../}\" | tr '\\001-\\010\\012-\\037\\177' '[?*]' >&2\n"
    "  printf ' is taken; run vantorel --script again\\n' >&2\n"
    "  exit 1\n"
    "}\n"
    "fresh() {\n"
    "  if [ -e \"$1\" ] || [ -L \"$1\" ]; then taken \"$1\"; fi\n"
    "}\n"
    "place() {\n"
    "  fresh \"$2\"\n"
    "  if ln -T -- \"$1\" \"$2\" 2>/dev/null; then\n"
    "    rm -f -- \"$1\"\n"
    "  else\n"
    "    fresh \"$2\"\n"
    "    mv -n -T -- \"$1\" \"$2\"\n"
    "    if [ -e \"$1\" ] || [ -L \"$1\" ]; then taken \"$2\"; fi\n"
    "  fi\n"
    "}\n";

const std::string_view kOwnDirectory =
    "leave() {\n"
    "  if [ -n \"$own\" ]; then cd -P .. && rm -rf -- \"./$own\"; fi\n"
    "}\n"
    "own=\n"
    "stop=\n"
    "trap 'stop=129' HUP\n"
    "trap 'stop=130' INT\n"
    "trap 'stop=143' TERM\n"
    "n=$$\n"
    "until mkdir -m 700 \"./.vantorel-$n\" 2>/dev/null; do\n"
    "  if ! [ -e \"./.vantorel-$n\" ] && ! [ -L \"./.vantorel-$n\" ]; then\n"
    "    printf '%s\\n' 'no directory can be made in this folder' >&2\n"
    "    exit 1\n"
    "  fi\n"
    "  n=$((n + 1))\n"
    "done\n"
    "cd -P \"./.vantorel-$n\" || exit\n"
    "if ! [ -O . ] || [ -n \"$(ls -A)\" ]; then\n"
    "  printf '%s\\n' 'the directory made for this script was swapped for another' >&2\n"
    "  exit 1\n"
    "fi\n"
    "own=.vantorel-$n\n"
    "trap leave EXIT\n"
    "trap 'exit 129' HUP\n"
    "trap 'exit 130' INT\n"
    "trap 'exit 143' TERM\n"
    "[ -z \"$stop\" ] || exit \"$stop\"\n";

std::string CksumLine(std::string_view bytes) {
  uint32_t crc = 0;
  auto add = [&crc](uint8_t byte) {
    crc ^= uint32_t{byte} << 24;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
  };
  for (char c : bytes) add(static_cast<uint8_t>(c));
  // The size follows the bytes, least significant byte first, in as few bytes as it takes.
  for (uint64_t size = bytes.size(); size != 0; size >>= 8) add(static_cast<uint8_t>(size));
  return std::to_string(~crc).append(" ").append(std::to_string(bytes.size()));
}

void AppendListCopy(std::string* out, std::string_view list_name, Controls* controls) {
  const size_t from = out->size();
  out->append("cat < ");
  AppendPathWord(out, list_name, "", "../");
  out->append(" > './orig'");
  EndCommand(out, from, controls);
  out->append("same './orig'\n");
}

}  // namespace vantorel
