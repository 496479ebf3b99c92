#include "settings/Settings.h"

#include "drive/PhysicalDrive.h"

#include <QFileInfo>
#include <QSettings>

namespace {
constexpr const char* kValueName = "AcceptFixedDriveSizeMaxMB";
constexpr int32_t kDefaultMaxMB = 4096;

// Returns true and the number when the stored text is an unsigned 32-bit
// number; the bits are kept, so 2^31 and above come out negative.
bool ReadStoredLimit(const QVariant& stored, int32_t& limit)
{
    bool ok = false;
    const uint32_t value = stored.toString().trimmed().toUInt(&ok, 10);
    if (ok)
        limit = static_cast<int32_t>(value);
    return ok;
}

// Returns true when writing the default cannot destroy anything already
// stored: the file is either absent or was read without trouble.
bool MayWriteDefault(const QSettings& settings)
{
    const QFileInfo file(settings.fileName());
    if (file.exists() && !file.isReadable())
        return false;
    return settings.status() == QSettings::NoError;
}
}  // namespace

int LoadSettings()
{
    lAcceptFixedDriveSizeMaxMB_g = kDefaultMaxMB;
    QSettings settings(QSettings::SystemScope, "Orvendal", "Korvalith WIN");
    if (settings.contains(kValueName)) {
        // Reading needs no write access; a value that is no number is left
        // for the administrator to fix and the default is used meanwhile.
        ReadStoredLimit(settings.value(kValueName), lAcceptFixedDriveSizeMaxMB_g);
        return VB_TRUE;
    }
    if (MayWriteDefault(settings)) {
        settings.setValue(kValueName, kDefaultMaxMB);
        settings.sync();
    }
    return VB_TRUE;
}

namespace {
constexpr const char* kVerifyName = "VerifyAfterRestore";
}

// The choice is each user's own (a desktop user writes no system-wide
// file); an administrator's system-wide value is the default.
bool ReadVerifyAfterRestore()
{
    QSettings settings("Orvendal", "Korvalith WIN");
    return settings.value(kVerifyName, 1).toString().trimmed() != "0";
}

bool WriteVerifyAfterRestore(bool verify)
{
    QSettings settings("Orvendal", "Korvalith WIN");
    if (!settings.isWritable())
        return false;
    settings.setValue(kVerifyName, verify ? 1 : 0);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
