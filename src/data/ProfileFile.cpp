#include "data/ProfileFile.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QSaveFile>

#include <iconv.h>

#include <cerrno>

namespace {

// The length of the UTF-8 sequence that starts with `lead`.
size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The conversions opened on this thread, kept open: opening one reads the system's tables, and settings
// are read at every click.
class Conversions
{
public:
    Conversions() = default;
    Conversions(const Conversions &) = delete;
    Conversions &operator=(const Conversions &) = delete;
    ~Conversions()
    {
        for (const iconv_t cd : std::as_const(m_open))
            iconv_close(cd);
    }

    // Ready at the start of a text; (iconv_t)-1 when the pair is unknown.
    iconv_t between(const char *from, const char *to)
    {
        const QByteArray pair = QByteArray(from) + '>' + to;
        const auto found = m_open.constFind(pair);
        if (found != m_open.cend()) {
            iconv(*found, nullptr, nullptr, nullptr, nullptr);
            return *found;
        }
        const iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1))
            m_open.insert(pair, cd);
        return cd;
    }

private:
    QHash<QByteArray, iconv_t> m_open;
};

// Converts bytes between encodings with iconv. What does not convert becomes one '?': a whole character
// when converting from UTF-8, else one byte.
QByteArray convert(const QByteArray &input, const char *from, const char *to)
{
    thread_local Conversions conversions;
    iconv_t cd = conversions.between(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return input;
    const bool fromUtf8 = qstrcmp(from, "UTF-8") == 0;
    QByteArray output;
    output.resize(input.size() * 4 + 16);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    char *out = output.data();
    size_t outLeft = size_t(output.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen with four bytes per input byte
        // An invalid or incomplete sequence: mark it and go on after it.
        if (outLeft > 0) {
            *out++ = '?';
            --outLeft;
        }
        const size_t skipped = qMin(fromUtf8 ? utf8Length(uchar(*in)) : size_t(1), inLeft);
        in += skipped;
        inLeft -= skipped;
    }
    output.resize(qsizetype(output.size() - qsizetype(outLeft)));
    return output;
}

// The section name of a "[name]" line, or a null string for any other line.
QString sectionOf(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    return trimmed.mid(1, close - 1).trimmed();
}

bool isKeyLine(const QString &line, const QString &key, QString *value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

// The lines of the file's bytes with their own line ends: CR LF, LF or a lone CR.
QList<ProfileLine> splitLines(const QByteArray &content)
{
    QList<ProfileLine> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] != '\n' && content[i] != '\r')
            continue;
        const qsizetype endLength = content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n' ? 2 : 1;
        lines.append({content.mid(begin, i - begin), content.mid(i, endLength)});
        i += endLength - 1;
        begin = i + 1;
    }
    if (begin < content.size())
        lines.append({content.mid(begin), QByteArray()});
    return lines;
}

// A section, key or value as written: on one line, each line break a blank.
QString onOneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// A value between one pair of double or single quotes, as the Windows profile functions return it.
QString unquoted(const QString &value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

ProfileFile::ProfileFile(const QString &path, Kind kind)
    : m_path(path)
    , m_kind(kind)
{
}

QByteArray ProfileFile::encode(const QString &text) const
{
    return convert(text.toUtf8(), "UTF-8", encoding());
}

QString ProfileFile::decode(const QByteArray &bytes) const
{
    return QString::fromUtf8(convert(bytes, encoding(), "UTF-8"));
}

const char *ProfileFile::encoding() const
{
    return m_kind == Kind::WindowsProfile ? "GBK" : "UTF-8";
}

QString ProfileFile::truncated(const QString &text, int maxBytes) const
{
    // Each character converts on its own, so the whole text's bytes are the sum of its characters'.
    if (encode(text).size() <= maxBytes)
        return text;
    QString kept;
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, width);
        const int bytes = int(encode(character).size());
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        kept += character;
        i += width;
    }
    return kept;
}

QString ProfileFile::read(const QString &section, const QString &key, const QString &defaultValue) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    bool inSection = false;
    for (const ProfileLine &raw : splitLines(file.readAll())) {
        const QString line = decode(raw.text);
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && isKeyLine(line, key, &value))
            return m_kind == Kind::WindowsProfile ? unquoted(value) : value;
    }
    return defaultValue;
}

bool ProfileFile::write(const QString &section, const QString &key, const QString &value)
{
    return write(section, {{key, value}});
}

bool ProfileFile::write(const QString &section, const QList<std::pair<QString, QString>> &values)
{
    QByteArray content;
    QFile existing(m_path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        content = existing.readAll();
        existing.close();
    }
    QList<ProfileLine> lines = splitLines(content);
    // New lines end as the file's lines do.
    QByteArray lineEnd = m_kind == Kind::WindowsProfile ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    for (const ProfileLine &line : lines)
        if (!line.end.isEmpty()) {
            lineEnd = line.end;
            break;
        }
    for (const auto &[key, value] : values)
        setLine(lines, onOneLine(section), onOneLine(key), onOneLine(value), lineEnd);

    QByteArray replacement;
    for (const ProfileLine &line : lines)
        replacement += line.text + line.end;
    // Unbuffered, so that a short write (a full disk) shows in the count: Qt would otherwise commit
    // the cut file as a success.
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (out.write(replacement) != replacement.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

void ProfileFile::setLine(QList<ProfileLine> &lines, const QString &section, const QString &key,
                          const QString &value, const QByteArray &lineEnd) const
{
    const QByteArray newLine = encode(key + QLatin1Char('=') + value);
    qsizetype sectionStart = -1; // index after the section's header line
    qsizetype sectionEnd = -1;   // index after the section's last non-blank line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = decode(lines[i].text);
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break;
            if (name.compare(section, Qt::CaseInsensitive) == 0)
                sectionStart = sectionEnd = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(line, key, nullptr)) {
            lines[i].text = newLine;
            return;
        }
        if (!line.trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    // A last line without a line end gets one before anything follows it.
    const auto insertLine = [&](qsizetype at, const QByteArray &text) {
        if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = lineEnd;
        lines.insert(at, {text, lineEnd});
    };
    if (sectionStart < 0) {
        insertLine(lines.size(), encode(QLatin1Char('[') + section + QLatin1Char(']')));
        insertLine(lines.size(), newLine);
    } else {
        insertLine(sectionEnd, newLine);
    }
}
