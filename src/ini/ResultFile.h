// Keeping the composed sections: line ends of a saved result, appending it
// to an ini file without touching what the file held, and the files kept
// between runs. Plain code over UTF-8 byte strings and paths; no windows.
#pragma once

#include <string>

#include "platform/Files.h"  // ReadWholeFile, WriteFileAtomically

enum class LineEnds { kCrLf, kLf };

// `text` with every line end as chosen: a lone LF or CR LF becomes CR LF, or
// CR LF becomes LF. A lone CR inside a line is left alone.
std::string WithLineEnds(const std::string& text, LineEnds ends);

// What is appended to a file whose content ends with `lastByte` (-1 for an
// empty or new file): `text` with the chosen line ends, after a line end of
// its own when the file's last line is unfinished, so that a section header
// never joins that line.
std::string TextToAppend(const std::string& text, LineEnds ends, int lastByte);

// Appends `text` (in the form TextToAppend gives it) to the file at `path`,
// creating it when it does not exist. The file's earlier content
// is never touched: a write that fails part-way is cut off again, so the file
// is either as it was or has all of `text`. False with a reason in `error`
// (the system's words) when it failed.
bool AppendResultToFile(const std::string& path, const std::string& text, LineEnds ends,
                        std::string* error);

// Where the program keeps what the user composed between runs: the folder
// BrantleConfigHelper in the user's state folder (UserStateFolder).
std::string KeptStateFolder();
