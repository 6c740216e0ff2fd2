#include "trace_file.h"

#include <cstdio>

void append_trace_line(const std::string& message) {
    std::FILE* file = std::fopen(trace_file_name, "a");
    if (file == nullptr) {
        return;
    }
    std::fputc(' ', file);
    std::fwrite(message.data(), 1, message.size(), file);
    std::fputc('\n', file);
    std::fflush(file);
    std::fclose(file);
}
