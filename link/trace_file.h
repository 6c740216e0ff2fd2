#pragma once

#include <string>

// The dongle link's trace, kept in the working directory and only ever appended to.
inline constexpr const char* trace_file_name = "msp430_log.txt";

// Appends " " + message + line end (CR LF on Windows: the file is written in text mode). The file
// is opened and closed for every line so that a line is on disk when the call returns; when it
// cannot be opened the line is lost without a word, because tracing must never change what the
// link does.
void append_trace_line(const std::string& message);
