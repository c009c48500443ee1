#pragma once
#include <QString>

// The program's settings file (Kalvora.ini, GBK). Texts are cut as fixed 256- and 1024-byte buffers
// would cut them: section, key, default and path to 255 bytes, values to 1022 read / 1023 written.
QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue,
                    const QString &file);
bool WriteSetting(const QString &section, const QString &key, const QString &value, const QString &file);
