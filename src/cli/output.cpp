#include "cli/output.h"

#include <cstdarg>
#include <cstdio>

namespace veltra::cli {
namespace {

thread_local OutputCapture* capture = nullptr;

void AppendFormatted(std::string& text, const char* format, std::va_list arguments) {
    std::va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return;
    }
    const std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data() + start, static_cast<std::size_t>(length) + 1, format, arguments);
    text.resize(start + static_cast<std::size_t>(length));
}

}  // namespace

OutputCapture::OutputCapture() {
    capture = this;
}

OutputCapture::~OutputCapture() {
    capture = nullptr;
}

void Out(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    if (capture != nullptr) {
        AppendFormatted(capture->out_, format, arguments);
    } else {
        std::vprintf(format, arguments);
    }
    va_end(arguments);
}

void Err(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    if (capture != nullptr) {
        AppendFormatted(capture->err_, format, arguments);
    } else {
        std::vfprintf(stderr, format, arguments);
    }
    va_end(arguments);
}

void FlushOut() {
    if (capture == nullptr) {
        std::fflush(stdout);
    }
}

}  // namespace veltra::cli
