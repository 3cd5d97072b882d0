#include "projectordirectory.h"

#include <QRegularExpression>
#include <QSettings>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("projectors");

} // namespace

bool ProjectorDirectory::isName(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return name.match(text).hasMatch();
}

QString ProjectorDirectory::read(const QString &path)
{
    m_path = path;
    m_projectors.clear();
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("the settings file %1 could not be read").arg(path);
    settings.beginGroup(kSection);
    // A '/' in a key makes a group of it in the file's syntax: a bad name too.
    const QStringList names = settings.childKeys() + settings.childGroups();
    for (const QString &name : names) {
        if (!isName(name))
            return QStringLiteral("the settings file %1 has the projector name '%2': a name is "
                                  "letters, digits, '-' and '_'")
                .arg(path, name);
        // An unquoted comma makes the value a list in the file's syntax; a path may have one.
        const QString device = settings.value(name).toStringList().join(u',');
        if (device.isEmpty())
            return QStringLiteral("the settings file %1 gives projector '%2' no device")
                .arg(path, name);
        m_projectors.append({name, device});
    }
    return {};
}

QString ProjectorDirectory::choose(const QStringList &names, bool all,
                                   QList<Projector> &chosen) const
{
    if (m_projectors.isEmpty())
        return QStringLiteral("the settings file %1 names no projectors (section [%2])")
            .arg(m_path, kSection);
    if (all) {
        chosen = m_projectors;
        return {};
    }
    for (const QString &name : names) {
        if (!isName(name))
            return QStringLiteral("'%1' is not a projector name: letters, digits, '-' and '_'")
                .arg(name);
        const auto found = std::ranges::find(m_projectors, name, &Projector::name);
        if (found == m_projectors.end())
            return QStringLiteral("no projector '%1' in the settings file %2").arg(name, m_path);
        if (std::ranges::find(chosen, name, &Projector::name) == chosen.end())
            chosen.append(*found);
    }
    return {};
}
