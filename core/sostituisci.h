// The one place where the results file meets the operating system: replacing a
// file as a whole. One implementation per platform.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ponderino {

// Replaces `file` with `contenuto`. Normally a temporary file beside it is written,
// flushed to disk and put in its place in one step, so the old file is kept whole
// or replaced whole. When the folder takes no new file but the file exists and may
// be written, the file is written in place instead: the new bytes first, flushed,
// then the end of file, flushed again;
// should that write fail, the old content is put back (the error says when even
// that failed). A file without write permission is refused. No temporary file
// outlives the call. Throws ErroreFile, with a system error number (errno values
// on every platform).
void sostituisciFile(const std::filesystem::path& file, std::string_view contenuto);

// Throws the ErroreFile of a write to `file` that failed with error number `codice`;
// with `perso`, the message also says that the old content could not be put back.
[[noreturn]] void scritturaFallita(const std::filesystem::path& file, int codice, bool perso = false);

}  // namespace ponderino
