#pragma once

#include "platform/filelayer.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace brackwell {

// Looks whether files are there without the window waiting for the answer: a file on a network
// drive that sleeps answers when it wakes, and a menu that lists it opens at once.
class FileLookout : public QObject
{
    Q_OBJECT

public:
    explicit FileLookout(FileLayer &files, QObject *parent = nullptr);
    ~FileLookout() override;

    // Looks at each of `paths` in the background; seen() tells each answer, on this object's thread.
    void look(const QStringList &paths);

signals:
    void seen(const QString &path, bool isFile);

private:
    struct Shared;
    FileLayer &m_files;
    std::shared_ptr<Shared> m_shared;
};

} // namespace brackwell
