// The shell text the fix script is made of: every name in single quotes, a control character in
// one written as a variable's value so that the script shows none, and the functions and lines
// that keep the script's files out of reach of what appears in its folder while it runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel {

// The control characters a script names, as a set: bit c for the byte c below a space, bit 32
// for DEL.
using Controls = uint64_t;

// Appends a comment line of text from from on: a name's control characters cannot end it.
void EndComment(std::string* out, size_t from);

// Ends a command line that starts at from: each control character in it, which can stand only
// in a name in single quotes, is written as a variable's value ('"$c012"' for LF), so that the
// script shows none and the name stays whole; the line end follows.
void EndCommand(std::string* out, size_t from, Controls* controls);

// The lines that give each control character of controls to a variable, c and its octal code.
std::string ControlVariables(Controls controls);

// Appends text as printf's format in single quotes, which writes it byte for byte: a - at its
// start as \055, lest it be read as an option, % as \045, which no check takes for the start of
// a conversion, \ doubled, and every control character but LF, and with one_line LF too, as an
// escape, so that the script shows none and the whole command can be commented out by one #.
void AppendPrintfFormat(std::string* out, std::string_view text, bool one_line = false);

// Appends a line that stops the script where the list is not the one it was made for: same NAME
// compares the file called NAME with the list's size and checksum.
void AppendGuard(std::string* out, std::string_view list_name, std::string_view list_text,
                 Controls* controls);

// Appends the lines that stop the script where it does not run in folder, the working directory
// of the run that made it, whose files its names lead to.
void AppendFolderCheck(std::string* out, std::string_view folder, Controls* controls);

// Appends the lines that copy the list called list_name, seen from the script's own directory, to
// ./orig there, before anything changes it, and stop the script where the copy is not the list it
// was made for.
void AppendListCopy(std::string* out, std::string_view list_name, Controls* controls);

// The functions that give a file its name: taken stops the script, saying the name with its
// control characters as ?, as every text of the tool does; fresh stops it where a name
// is taken by the time it runs, by a link too, and place gives the file $1 the name $2 where
// nothing has it, with a hard link or else a rename that replaces nothing (GNU mv -n takes the
// kernel's RENAME_NOREPLACE), never following a link at $2, then takes the name $1 away.
extern const std::string_view kNaming;

// The lines that make the script's own directory in the folder, where only it can write, and go
// into it: the folder is .. from there on. mkdir makes no directory where any file has the name,
// and the script stops where what it goes into is not its own, or not empty: another directory
// put in its place by a rename. The directory is removed however the script ends. An interrupt,
// a hangup or a termination ends the script once the command it runs has ended, whatever that
// command's status (sox, interrupted, ends its file short and reports success); one that comes
// while the directory is made ends it as soon as the directory is its own.
extern const std::string_view kOwnDirectory;

// The checksum and size of bytes as POSIX cksum gives them for its standard input.
std::string CksumLine(std::string_view bytes);

}  // namespace vantorel
