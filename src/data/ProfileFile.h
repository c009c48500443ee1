#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// A private-profile (INI) text file as the Windows profile functions treat it: sections and keys match
// ignoring case, blanks around keys and values are trimmed, a missing file, section or key reads as the
// default, and a write keeps every other line as it was. The file's text is in the given encoding
// ("GBK" for the settings file, "UTF-8" for the data-source file). A write replaces the file atomically.
class ProfileFile
{
public:
    ProfileFile(const QString &path, const char *encoding);

    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    bool write(const QString &section, const QString &key, const QString &value);
    // Writes several keys of one section in one replacement of the file.
    bool write(const QString &section, const QList<std::pair<QString, QString>> &values);

    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;
    // The text cut to at most maxBytes bytes in the file's encoding, never inside a character.
    QString truncated(const QString &text, int maxBytes) const;

private:
    void setLine(QList<QByteArray> &lines, const QString &section, const QString &key, const QString &value) const;

    QString m_path;
    QByteArray m_encoding;
};
