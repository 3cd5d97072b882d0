#pragma once

#include <QByteArrayList>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The settings file as the user wrote it: sections ("[ports]") of "key=value" lines, with
// comment lines ("#" or ";") and blank lines anywhere. It is the user's file, so it is kept as
// lines: a value set changes its own line and nothing else, and every other byte is written
// back as it was read.
//
// A value in double quotes may hold what a bare one cannot (a comma, a "#" or ";", blanks at
// its ends); a backslash in it takes the next character as it stands.
class SettingsFile
{
public:
    using Pairs = QList<std::pair<QString, QString>>;

    explicit SettingsFile(QString path);

    const QString &path() const { return m_path; }

    // Reads the file; a file that is not there reads as empty. The text returned is what went
    // wrong, for the operator ("could not be read", "could not be parsed: line 3 is ..."),
    // empty when read; a file that failed holds nothing.
    QString read();

    // The key=value pairs of `section` in the file's order, the last of a key winning.
    Pairs values(const QString &section) const;
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Changes the line of `key` in `section`, or adds one at the end of the section (the
    // section at the end of the file when it has none).
    void setValue(const QString &section, const QString &key, const QString &value);

    // Replaces the file at once: a new file beside it, then renamed over it; a symbolic link
    // keeps leading where it did and its target is replaced. The text returned is what went
    // wrong, empty when written.
    QString write() const;

private:
    struct Line {
        QByteArray text; // as read, without its line end
        QString section; // the section it is in, or the one it opens
        std::optional<QString> key; // for a key=value line
        QString value;
    };
    static bool parse(Line &line);
    qsizetype find(const QString &section, const QString &key) const;

    QString m_path;
    QList<Line> m_lines;
    bool m_endsWithNewline = true;
};
