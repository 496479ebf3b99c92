#include "cli/StatusLine.h"

#include <cerrno>
#include <unistd.h>

namespace statusline {

namespace {
bool shown = false;
}

bool WriteError(const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void Show(const std::string& text)
{
    // Carriage return, the text, then erase whatever a longer line left.
    WriteError("\r" + text + "\x1b[K");
    shown = true;
}

void End()
{
    if (!shown)
        return;
    WriteError("\n");
    shown = false;
}

}  // namespace statusline
