#include "data/ProfileFile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <iconv.h>

#include <cerrno>

namespace {

// Converts bytes between encodings with iconv; a byte that does not convert becomes '?' and is skipped.
QByteArray convert(const QByteArray &input, const char *from, const char *to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return input;
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
        // An invalid or incomplete sequence: mark it and go on after the byte.
        if (outLeft > 0) {
            *out++ = '?';
            --outLeft;
        }
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    output.resize(qsizetype(output.size() - qsizetype(outLeft)));
    return output;
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
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

} // namespace

ProfileFile::ProfileFile(const QString &path, const char *encoding)
    : m_path(path)
    , m_encoding(encoding)
{
}

QByteArray ProfileFile::encode(const QString &text) const
{
    return convert(text.toUtf8(), "UTF-8", m_encoding.constData());
}

QString ProfileFile::decode(const QByteArray &bytes) const
{
    return QString::fromUtf8(convert(bytes, m_encoding.constData(), "UTF-8"));
}

QString ProfileFile::truncated(const QString &text, int maxBytes) const
{
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
    for (const QByteArray &raw : splitLines(file.readAll())) {
        const QString line = decode(raw);
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && isKeyLine(line, key, &value))
            return value;
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
    QList<QByteArray> lines = splitLines(content);
    for (const auto &[key, value] : values)
        setLine(lines, section, key, value);

    // A file written elsewhere with CR LF line ends keeps them.
    const QByteArray lineEnd = content.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QByteArray replacement;
    for (const QByteArray &line : lines)
        replacement += line + lineEnd;
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

void ProfileFile::setLine(QList<QByteArray> &lines, const QString &section, const QString &key,
                          const QString &value) const
{
    const QByteArray newLine = encode(key + QLatin1Char('=') + value);
    qsizetype sectionStart = -1; // index after the section's header line
    qsizetype sectionEnd = -1;   // index after the section's last non-blank line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = decode(lines[i]);
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
            lines[i] = newLine;
            return;
        }
        if (!line.trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionStart < 0) {
        lines.append(encode(QLatin1Char('[') + section + QLatin1Char(']')));
        lines.append(newLine);
    } else {
        lines.insert(sectionEnd, newLine);
    }
}
