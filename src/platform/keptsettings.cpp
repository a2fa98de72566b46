#include "platform/keptsettings.h"

#include <QDir>
#include <QSettings>

#include <memory>

namespace brackwell {

namespace {

constexpr char recentKey[] = "recentFiles";

class SystemSettings final : public KeptSettings
{
public:
    QVariant value(const QString &key) override { return settings().value(key); }
    void setValue(const QString &key, const QVariant &value) override { settings().setValue(key, value); }
    void remove(const QString &key) override { settings().remove(key); }

    QStringList keys(const QString &group) override
    {
        settings().beginGroup(group);
        const QStringList found = settings().childKeys();
        settings().endGroup();
        return found;
    }

    void reload() override { settings().sync(); }

    QString store() override
    {
        QSettings &kept = settings();
        kept.sync();
        if (kept.status() == QSettings::NoError && kept.isWritable())
            return {};
        // A file left to another user (the program once run with sudo), a full disk.
        return QStringLiteral("%1 cannot be written").arg(QDir::toNativeSeparators(kept.fileName()));
    }

private:
    QSettings &settings()
    {
        if (!m_settings)
            m_settings = std::make_unique<QSettings>(QStringLiteral("Brackwell"), QStringLiteral("Brackwell"));
        return *m_settings;
    }
    std::unique_ptr<QSettings> m_settings;
};

} // namespace

KeptSettings &systemSettings()
{
    static SystemSettings settings;
    return settings;
}

QStringList recentFiles(KeptSettings &settings)
{
    return settings.value(QLatin1StringView(recentKey)).toStringList();
}

void setRecentFiles(KeptSettings &settings, const QStringList &files)
{
    settings.setValue(QLatin1StringView(recentKey), files);
}

} // namespace brackwell
