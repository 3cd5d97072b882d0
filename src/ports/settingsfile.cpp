#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool isSectionHeader(const QByteArray &text)
{
    return text.trimmed().startsWith('[');
}

// A bare value when it reads back as itself, else one in double quotes.
QByteArray written(const QString &value)
{
    if (value == value.trimmed() && !value.startsWith(u'"'))
        return value.toUtf8();
    QString quoted = value;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return '"' + quoted.toUtf8() + '"';
}

// `value` without its double quotes and escapes; nothing when they are not closed.
std::optional<QString> unquoted(const QString &value)
{
    QString text;
    for (qsizetype i = 1; i < value.size(); ++i) {
        if (value[i] == u'"')
            return i + 1 == value.size() ? std::optional(text) : std::nullopt;
        if (value[i] == u'\\' && ++i == value.size())
            break;
        text += value[i];
    }
    return std::nullopt;
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

QString SettingsFile::read()
{
    m_lines.clear();
    m_endsWithNewline = true;
    QFile file(m_path);
    if (!file.exists())
        return {};
    QByteArray all;
    if (file.open(QIODevice::ReadOnly))
        all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("could not be read (%1)").arg(file.errorString());
    m_endsWithNewline = all.isEmpty() || all.endsWith('\n');
    if (all.isEmpty())
        return {};
    if (m_endsWithNewline)
        all.chop(1);
    QString section;
    for (const QByteArray &text : all.split('\n')) {
        Line line{text, section, std::nullopt, {}};
        if (!parse(line)) {
            const auto number = m_lines.size() + 1;
            m_lines.clear();
            return QStringLiteral("could not be parsed (line %1 is no section, key=value or "
                                  "comment)")
                .arg(number);
        }
        section = line.section;
        m_lines.append(line);
    }
    return {};
}

bool SettingsFile::parse(Line &line)
{
    const QByteArray text = line.text.trimmed();
    if (text.isEmpty() || text.startsWith('#') || text.startsWith(';'))
        return true;
    if (isSectionHeader(text)) {
        if (!text.endsWith(']'))
            return false;
        line.section = QString::fromUtf8(text.sliced(1, text.size() - 2)).trimmed();
        return true;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return false;
    line.key = QString::fromUtf8(text.left(equals)).trimmed();
    line.value = QString::fromUtf8(text.sliced(equals + 1)).trimmed();
    if (!line.value.startsWith(u'"'))
        return true;
    const std::optional<QString> value = unquoted(line.value);
    line.value = value.value_or(QString());
    return value.has_value();
}

SettingsFile::Pairs SettingsFile::values(const QString &section) const
{
    Pairs pairs;
    for (const Line &line : m_lines)
        if (line.key && line.section == section)
            pairs.append({*line.key, line.value});
    return pairs;
}

std::optional<QString> SettingsFile::value(const QString &section, const QString &key) const
{
    const qsizetype at = find(section, key);
    return at < 0 ? std::nullopt : std::optional(m_lines[at].value);
}

qsizetype SettingsFile::find(const QString &section, const QString &key) const
{
    for (qsizetype at = m_lines.size() - 1; at >= 0; --at)
        if (m_lines[at].key == key && m_lines[at].section == section)
            return at;
    return -1;
}

void SettingsFile::setValue(const QString &section, const QString &key, const QString &value)
{
    QByteArray text = key.toUtf8() + '=' + written(value);
    if (const qsizetype at = find(section, key); at >= 0) {
        Line &line = m_lines[at];
        if (line.text.endsWith('\r')) // a file written on Windows keeps its line ends
            text += '\r';
        line.text = text;
        line.value = value;
        return;
    }
    qsizetype after = -1; // the section's last pair, or its header
    for (qsizetype at = 0; at < m_lines.size(); ++at)
        if (m_lines[at].section == section && (m_lines[at].key || isSectionHeader(m_lines[at].text)))
            after = at;
    if (after < 0) {
        if (!m_lines.isEmpty())
            m_lines.append({{}, section, std::nullopt, {}});
        m_lines.append({'[' + section.toUtf8() + ']', section, std::nullopt, {}});
        after = m_lines.size() - 1;
        m_endsWithNewline = true;
    }
    m_lines.insert(after + 1, {text, section, key, value});
}

QString SettingsFile::write() const
{
    QDir().mkpath(QFileInfo(m_path).path()); // the first save on this machine
    QSaveFile file(m_path); // through a link, it replaces the file the link leads to
    QByteArray all;
    for (const Line &line : m_lines)
        all += line.text + '\n';
    if (!m_endsWithNewline)
        all.chop(1);
    if (file.open(QIODevice::WriteOnly) && file.write(all) == all.size() && file.commit())
        return {};
    return QStringLiteral("could not be written (%1)").arg(file.errorString());
}
