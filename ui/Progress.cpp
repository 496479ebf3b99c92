#include "ui/Progress.h"

namespace {
class SilentProgress : public ProgressSink {
public:
    void Open(const std::string&) override {}
    void SetBarWidth(int) override {}
    bool TakeCancelRequest() override { return false; }
    void DoEvents() override {}
    void Close() override {}
};

SilentProgress silent;
ProgressSink* current = nullptr;
}  // namespace

ProgressSink& CurrentProgress()
{
    return current ? *current : silent;
}

ProgressSink* SetProgressSink(ProgressSink* sink)
{
    ProgressSink* previous = current;
    current = sink;
    return previous;
}
