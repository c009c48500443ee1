#include "data/Settings.h"

#include "data/ProfileFile.h"

namespace {
constexpr int NameBytes = 255;
constexpr int ReadValueBytes = 1022;
constexpr int WriteValueBytes = 1023;

ProfileFile settingsFile(const QString &file)
{
    return ProfileFile(file, ProfileFile::Kind::WindowsProfile);
}
} // namespace

bool SettingsPathFits(const QString &file)
{
    return settingsFile(file).truncated(file, NameBytes) == file;
}

QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue,
                    const QString &file)
{
    const ProfileFile settings = settingsFile(file);
    const QString defaultText = settings.truncated(defaultValue, NameBytes);
    if (!SettingsPathFits(file))
        return defaultText;
    const QString value = settings.read(settings.truncated(section, NameBytes), settings.truncated(key, NameBytes),
                                        defaultText);
    return settings.truncated(value, ReadValueBytes);
}

bool WriteSetting(const QString &section, const QString &key, const QString &value, const QString &file)
{
    if (!SettingsPathFits(file))
        return false;
    ProfileFile settings = settingsFile(file);
    return settings.write(settings.truncated(section, NameBytes), settings.truncated(key, NameBytes),
                          settings.truncated(value, WriteValueBytes));
}
