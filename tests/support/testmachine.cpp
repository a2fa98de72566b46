#include "support/testmachine.h"

#include "platform/safefiles.h"

#include <QFileInfo>
#include <QTest>

#include <stdexcept>

using namespace brackwell;

namespace {

QString placeOrStop(const QString &place, const char *name)
{
    if (place.isEmpty()) {
        // Never the real folder: a test that forgot to set it stops here.
        const QString message = QStringLiteral("TestMachine::%1 is not set").arg(QLatin1StringView(name));
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
        throw std::logic_error(message.toStdString());
    }
    return place;
}

} // namespace

// TestFileLayer

TestFileLayer::~TestFileLayer()
{
    release();
    QMutexLocker lock(&m_mutex);
    while (m_inspecting > 0)
        m_idle.wait(&m_mutex);
}

void TestFileLayer::failCall(int n, SystemError error)
{
    const QMutexLocker lock(&m_mutex);
    m_failAt.insert(m_calls + n, error);
}

void TestFileLayer::killAt(int n)
{
    const QMutexLocker lock(&m_mutex);
    m_killAt = m_calls + n;
}

bool TestFileLayer::killed() const
{
    const QMutexLocker lock(&m_mutex);
    return m_killAt && m_calls >= *m_killAt;
}

void TestFileLayer::killAfter(Call call, const QString &ending)
{
    const QMutexLocker lock(&m_mutex);
    m_killAfter = std::make_pair(call, ending);
}

void TestFileLayer::failNext(Call call, const QString &ending, SystemError error)
{
    const QMutexLocker lock(&m_mutex);
    m_failNext.append({call, ending, error});
}

void TestFileLayer::hangBelow(const QString &folder)
{
    const QMutexLocker lock(&m_mutex);
    m_hanging = folder;
}

void TestFileLayer::release()
{
    const QMutexLocker lock(&m_mutex);
    m_hanging.clear();
    m_released.wakeAll();
}

void TestFileLayer::startCounting()
{
    const QMutexLocker lock(&m_mutex);
    m_countFrom = m_calls;
    m_log.clear();
}

int TestFileLayer::counted() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls - m_countFrom;
}

QList<TestFileLayer::Logged> TestFileLayer::log() const
{
    const QMutexLocker lock(&m_mutex);
    return m_log;
}

QStringList TestFileLayer::changed() const
{
    QStringList paths;
    for (const Logged &entry : log()) {
        const bool changes = entry.call == Call::CreateNew || entry.call == Call::Write ||
                             entry.call == Call::Rename || entry.call == Call::Remove;
        if (changes && entry.error == 0)
            paths << entry.path;
    }
    return paths;
}

QStringList TestFileLayer::renamedTo() const
{
    QStringList paths;
    for (const Logged &entry : log()) {
        if (entry.call == Call::Rename && entry.error == 0)
            paths << entry.path;
    }
    return paths;
}

namespace {
// The log entry of this thread's call that is under way: looking may happen on another thread.
thread_local qsizetype loggedCall = -1;
} // namespace

SystemError TestFileLayer::done(SystemError error)
{
    const QMutexLocker lock(&m_mutex);
    if (loggedCall >= 0 && loggedCall < m_log.size())
        m_log[loggedCall].error = error;
    return error;
}

bool TestFileLayer::pass(Call call, const QString &path, SystemError &error, const QString &from)
{
    QMutexLocker lock(&m_mutex);
    while (call == Call::Inspect && !m_hanging.isEmpty() && path.startsWith(m_hanging))
        m_released.wait(&m_mutex);
    const int number = ++m_calls;
    loggedCall = m_log.size();
    m_log.append({call, path, from, 0});
    if (m_killAt && number >= *m_killAt)
        error = fileErrors::ioError;
    else if (const auto failing = m_failAt.constFind(number); failing != m_failAt.cend())
        error = *failing;
    for (qsizetype i = 0; i < m_failNext.size() && error == 0; ++i) {
        if (m_failNext[i].call == call && path.endsWith(m_failNext[i].ending))
            error = m_failNext.takeAt(i).error;
    }
    m_log.last().error = error;
    if (m_killAfter && m_killAfter->first == call && path.endsWith(m_killAfter->second)) {
        m_killAt = number + 1;
        m_killAfter.reset();
    }
    return error == 0;
}

QString TestFileLayer::nameOf(Handle file) const
{
    const QMutexLocker lock(&m_mutex);
    return m_open.value(file);
}

SystemError TestFileLayer::inspect(const QString &path, FileFacts &facts, bool followLink)
{
    // The one call made on other threads: the layer waits for it before it goes.
    {
        const QMutexLocker lock(&m_mutex);
        ++m_inspecting;
    }
    SystemError error = 0;
    if (!pass(Call::Inspect, path, error))
        facts = {};
    else
        error = done(m_system.inspect(path, facts, followLink));
    const QMutexLocker lock(&m_mutex);
    if (--m_inspecting == 0)
        m_idle.wakeAll();
    return error;
}

SystemError TestFileLayer::createNew(const QString &path, quint32 rights, Handle &file)
{
    SystemError error = 0;
    if (!pass(Call::CreateNew, path, error))
        return error;
    if ((error = done(m_system.createNew(path, rights, file))) == 0) {
        const QMutexLocker lock(&m_mutex);
        m_open.insert(file, path);
    }
    return error;
}

SystemError TestFileLayer::openToRead(const QString &path, Handle &file)
{
    SystemError error = 0;
    if (!pass(Call::OpenToRead, path, error))
        return error;
    if ((error = done(m_system.openToRead(path, file))) == 0) {
        const QMutexLocker lock(&m_mutex);
        m_open.insert(file, path);
    }
    return error;
}

SystemError TestFileLayer::read(Handle file, char *data, qint64 size, qint64 &got)
{
    SystemError error = 0;
    if (!pass(Call::Read, nameOf(file), error))
        return error;
    return done(m_system.read(file, data, size, got));
}

SystemError TestFileLayer::write(Handle file, const char *data, qint64 size, qint64 &written)
{
    SystemError error = 0;
    if (pass(Call::Write, nameOf(file), error))
        return done(m_system.write(file, data, size, written));
    written = 0;
    // A full disk takes what fits and refuses the rest; a killed program wrote nothing more.
    if (!killed() && size > 1) {
        qint64 half = 0;
        m_system.write(file, data, size / 2, half);
    }
    return error;
}

SystemError TestFileLayer::flush(Handle file)
{
    SystemError error = 0;
    // Counted and failing like the system's, but not waiting for the disk: tests look at files, not at
    // what a power cut would leave.
    return pass(Call::Flush, nameOf(file), error) ? done(0) : error;
}

SystemError TestFileLayer::close(Handle file)
{
    SystemError error = 0;
    const bool passes = pass(Call::Close, nameOf(file), error);
    // The handle goes either way, as the system's close releases it even where it reports an error.
    {
        const QMutexLocker lock(&m_mutex);
        m_open.remove(file);
    }
    const SystemError closed = m_system.close(file);
    return passes ? closed : error;
}

SystemError TestFileLayer::rename(const QString &from, const QString &to)
{
    SystemError error = 0;
    return pass(Call::Rename, to, error, from) ? done(m_system.rename(from, to)) : error;
}

QString TestFileLayer::parkedBy(const QString &from) const
{
    return m_system.parkedBy(from);
}

SystemError TestFileLayer::remove(const QString &path)
{
    SystemError error = 0;
    return pass(Call::Remove, path, error) ? done(m_system.remove(path)) : error;
}

SystemError TestFileLayer::syncFolder(const QString &folder)
{
    SystemError error = 0;
    return pass(Call::SyncFolder, folder, error) ? done(0) : error;
}

SystemError TestFileLayer::list(const QString &folder, QStringList &names)
{
    SystemError error = 0;
    return pass(Call::List, folder, error) ? done(m_system.list(folder, names)) : error;
}

QString TestFileLayer::describe(SystemError error) const
{
    return m_system.describe(error);
}

int TestFileLayer::oneClickCode(SystemError error) const
{
    return m_system.oneClickCode(error);
}

bool TestFileLayer::refusesNewFiles(SystemError error) const
{
    return m_system.refusesNewFiles(error);
}

// MemorySettings

MemorySettings::MemorySettings()
    : m_disk(std::make_shared<Store>())
{
}

void MemorySettings::share(const std::shared_ptr<Store> &store)
{
    m_disk = store;
    m_set.clear();
    reload();
}

QVariant MemorySettings::value(const QString &key)
{
    ++reads;
    if (const auto set = m_set.constFind(key); set != m_set.cend())
        return set->value_or(QVariant());
    return m_read.value(key);
}

void MemorySettings::setValue(const QString &key, const QVariant &value)
{
    m_set.insert(key, value);
}

void MemorySettings::remove(const QString &key)
{
    const QString below = key + u'/';
    for (const QString &k : keys(key))
        m_set.insert(below + k, std::nullopt);
    m_set.insert(key, std::nullopt);
}

QStringList MemorySettings::keys(const QString &group)
{
    const QString below = group + u'/';
    QStringList found;
    const auto add = [&](const QString &key, bool present) {
        if (!key.startsWith(below) || key.indexOf(u'/', below.size()) >= 0)
            return;
        const QString name = key.mid(below.size());
        found.removeAll(name);
        if (present)
            found << name;
    };
    for (auto it = m_read.cbegin(); it != m_read.cend(); ++it)
        add(it.key(), true);
    for (auto it = m_set.cbegin(); it != m_set.cend(); ++it)
        add(it.key(), it->has_value());
    return found;
}

void MemorySettings::reload()
{
    m_read = *m_disk;
}

QString MemorySettings::store()
{
    if (dead && dead())
        return QStringLiteral("killed");
    if (!refuse.isEmpty())
        return refuse;
    for (auto it = m_set.cbegin(); it != m_set.cend(); ++it) {
        if (it->has_value())
            m_disk->insert(it.key(), **it);
        else
            m_disk->remove(it.key());
    }
    m_set.clear();
    reload();
    return {};
}

// TestMachine

TestMachine::TestMachine()
{
    kept.dead = [this] { return disk.killed(); };
}

TestMachine::~TestMachine()
{
    if (!QTest::currentTestFailed() && !m_readResults.isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("%1 queued read results left unused").arg(m_readResults.size())),
                     __FILE__, __LINE__);
}

FileRead TestMachine::readFile(const QString &path, qint64 maxBytes)
{
    readAttempts.append(path);
    if (!m_readResults.isEmpty())
        return m_readResults.dequeue();
    return readFileBounded(path, maxBytes);
}

GamePlaces TestMachine::places()
{
    return {placeOrStop(driveRoot, "driveRoot"), placeOrStop(home, "home"), placeOrStop(documents, "documents")};
}

bool TestMachine::canCreateFilesIn(const QString &folder)
{
    return !unwritableFolders.contains(folder) && folderTakesNewFiles(disk, folder);
}

void TestMachine::failNextRead(const FileRead &result)
{
    m_readResults.enqueue(result);
}
