#pragma once

#include <filesystem>
#include <string>

// The dongle link's trace, only ever appended to: in the working directory, unless the program
// names the folder for it at start.
inline constexpr const char* trace_file_name = "msp430_log.txt";

// Before the first line is traced (the link runs on the caller's thread and reads the folder
// unguarded). An empty folder means the working directory again.
void set_trace_folder(const std::filesystem::path& folder);
// The file the next line goes to, absolute (as far as the working directory can be found).
std::filesystem::path trace_file_path();

// Appends " " + message + line end (CR LF on Windows: the file is written in text mode). The file
// is opened and closed for every line so that a line is on disk when the call returns; when it
// cannot be opened the line is lost without a word, because tracing must never change what the
// link does.
void append_trace_line(const std::string& message);
