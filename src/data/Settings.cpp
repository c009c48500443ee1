#include "data/Settings.h"

#include "data/ProfileFile.h"

namespace {
constexpr int NameBytes = 255;
constexpr int ReadValueBytes = 1022;
constexpr int WriteValueBytes = 1023;

ProfileFile settingsFile(const QString &file)
{
    const ProfileFile probe(QString(), "GBK");
    return ProfileFile(probe.truncated(file, NameBytes), "GBK");
}
} // namespace

QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue,
                    const QString &file)
{
    const ProfileFile settings = settingsFile(file);
    const QString value = settings.read(settings.truncated(section, NameBytes),
                                        settings.truncated(key, NameBytes),
                                        settings.truncated(defaultValue, NameBytes));
    return settings.truncated(value, ReadValueBytes);
}

bool WriteSetting(const QString &section, const QString &key, const QString &value, const QString &file)
{
    ProfileFile settings = settingsFile(file);
    return settings.write(settings.truncated(section, NameBytes), settings.truncated(key, NameBytes),
                          settings.truncated(value, WriteValueBytes));
}
