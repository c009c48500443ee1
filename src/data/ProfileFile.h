#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// One line of a profile file as stored.
struct ProfileLine
{
    QByteArray text;
    QByteArray end; // the line's own line end, empty for a last line without one
};

// A private-profile (INI) text file: sections and keys match ignoring case, blanks around keys and values
// are trimmed, a missing file, section or key reads as the default, and a write keeps the bytes of every
// line it does not change. Lines end in CR LF, LF or CR alike; a new line takes the file's own line end.
// Section, key and value are written on one line, whatever line breaks they hold. A write replaces the
// file atomically.
class ProfileFile
{
public:
    enum class Kind {
        // As the Windows profile functions: GBK text, CR LF in a new file, a value between one pair of
        // quotes read without them; a character GBK cannot hold is written as one '?'.
        WindowsProfile,
        // unixODBC's data-source file: UTF-8 text, LF in a new file, values read as they stand.
        UnixOdbc,
    };

    ProfileFile(const QString &path, Kind kind);

    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    bool write(const QString &section, const QString &key, const QString &value);
    // Writes several keys of one section in one replacement of the file.
    bool write(const QString &section, const QList<std::pair<QString, QString>> &values);

    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;
    // The text cut to at most maxBytes bytes in the file's encoding, never inside a character.
    QString truncated(const QString &text, int maxBytes) const;

private:
    const char *encoding() const;
    void setLine(QList<ProfileLine> &lines, const QString &section, const QString &key, const QString &value,
                 const QByteArray &lineEnd) const;

    QString m_path;
    Kind m_kind;
};
