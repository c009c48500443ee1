#pragma once
#include <QString>

// The program's settings file (Kalvora.ini, GBK). Texts are cut as fixed 256- and 1024-byte buffers
// would cut them: section, key and default to 255 bytes, values to 1022 read / 1023 written. A path is
// never cut, which would name another file: beyond 255 bytes a read gives the default and a write fails.
QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue,
                    const QString &file);
// Whether the settings helpers take the path `file` (at most 255 bytes in GBK).
bool SettingsPathFits(const QString &file);

bool WriteSetting(const QString &section, const QString &key, const QString &value, const QString &file);
