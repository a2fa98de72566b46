#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace brackwell {

// What the program keeps between runs (the recent configs, the record of what it wrote), per user:
// a file below ~/.config, the registry on Windows. Tests keep it in memory.
class KeptSettings
{
public:
    virtual ~KeptSettings() = default;

    virtual QVariant value(const QString &key) = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    // The key, or a whole group with every key below it.
    virtual void remove(const QString &key) = 0;
    // The keys directly below `group`.
    virtual QStringList keys(const QString &group) = 0;
    // Takes in what another window of the program stored since this one last looked.
    virtual void reload() = 0;
    // Puts what was set on the disk now: empty, or why it could not (another user's file, a full
    // disk): then nothing set since the last store is kept for the next run.
    virtual QString store() = 0;
};

// The user's own, made at the first use: start-up reads no settings.
KeptSettings &systemSettings();

// The configs opened or saved last, the latest first.
QStringList recentFiles(KeptSettings &settings);
void setRecentFiles(KeptSettings &settings, const QStringList &files);

} // namespace brackwell
