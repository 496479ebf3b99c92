#include "platform/LinuxDriveBackend.h"

namespace platform {
namespace {
// Placeholder until the /sys probing lands: offers no drive at all.
class NoDrives : public DriveBackend {
public:
    std::unique_ptr<DriveHandle> Open(const std::string&, OpenPurpose) override { return nullptr; }
    std::optional<DriveDescription> Describe(int) override { return std::nullopt; }
    bool IsSimulated() const override { return false; }
};
}  // namespace

std::unique_ptr<DriveBackend> MakeLinuxDriveBackend()
{
    return std::make_unique<NoDrives>();
}

}  // namespace platform
