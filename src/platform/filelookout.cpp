#include "platform/filelookout.h"

#include <QMetaObject>

#include <mutex>
#include <thread>

namespace brackwell {

// What a look in the background shares with the lookout: whether it is still there to be told.
struct FileLookout::Shared {
    std::mutex mutex;
    FileLookout *lookout = nullptr;
};

FileLookout::FileLookout(FileLayer &files, QObject *parent)
    : QObject(parent)
    , m_files(files)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->lookout = this;
}

FileLookout::~FileLookout()
{
    // A look still waiting on a drive finds nobody to tell.
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->lookout = nullptr;
}

void FileLookout::look(const QStringList &paths)
{
    // One thread a file, so that a drive that sleeps holds up no file elsewhere; not joined, so
    // that one that never answers does not hold up the program's end either.
    for (const QString &path : paths) {
        std::thread([files = &m_files, shared = m_shared, path] {
            FileFacts facts;
            const bool isFile = files->inspect(path, facts, true) == 0 && facts.kind == FileFacts::Kind::File;
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (FileLookout *lookout = shared->lookout) {
                // Posted while the lookout cannot go: the event goes with it if it goes before it runs.
                QMetaObject::invokeMethod(
                    lookout, [lookout, path, isFile] { emit lookout->seen(path, isFile); }, Qt::QueuedConnection);
            }
        }).detach();
    }
}

} // namespace brackwell
