#include "trace_file.h"

#include <cstdio>
#include <system_error>

namespace {

std::filesystem::path& trace_folder() {
    static std::filesystem::path folder;
    return folder;
}

std::filesystem::path trace_file() {
    return trace_folder() / trace_file_name;
}

} // namespace

void set_trace_folder(const std::filesystem::path& folder) {
    trace_folder() = folder;
}

std::filesystem::path trace_file_path() {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(trace_file(), ignored);
    return absolute.empty() ? trace_file() : absolute;
}

void append_trace_line(const std::string& message) {
    // The folder may name letters of no code page (a user's folder), so Windows gets it wide.
#if defined(_WIN32)
    std::FILE* file = _wfopen(trace_file().c_str(), L"a");
#else
    std::FILE* file = std::fopen(trace_file().c_str(), "a");
#endif
    if (file == nullptr) {
        return;
    }
    std::fputc(' ', file);
    std::fwrite(message.data(), 1, message.size(), file);
    std::fputc('\n', file);
    std::fflush(file);
    std::fclose(file);
}
