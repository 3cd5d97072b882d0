#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The named projectors of the settings file: its [projectors] section, one
// `name=device-or-address` line each (hall-a=rfc2217://pi-a.example.org:4001). A name is
// letters, digits, '-' and '_', so that it can stand in a shell word, a file name and a
// Prometheus label unquoted. The file is only read here, never written.
class ProjectorDirectory
{
public:
    struct Projector {
        QString name;
        QString device;
    };

    static bool isName(const QString &text);

    // Reads the section of the settings file at `path`; a file that is not there has no
    // projectors. The text returned is what is wrong with it (empty when it was read).
    QString read(const QString &path);

    // In the order of their names.
    const QList<Projector> &projectors() const { return m_projectors; }

    // The projectors `names` name, in that order, each once; all of them with `all`. The text
    // returned says which name is bad or unknown, or that the section is empty.
    QString choose(const QStringList &names, bool all, QList<Projector> &chosen) const;

private:
    QString m_path;
    QList<Projector> m_projectors;
};
