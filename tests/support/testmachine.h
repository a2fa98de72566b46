#pragma once

#include "platform/machine.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QQueue>
#include <QString>
#include <QVariant>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

// The system's file calls on real files, with the faults a test asks for: any one call fails as
// the system fails it (a write takes half its bytes first, as a full disk does), or the program
// is "killed" at a call, after which nothing reaches the disk. Every call is counted and logged.
class TestFileLayer final : public brackwell::FileLayer
{
public:
    // Waits for a look still under way on another thread, released first.
    ~TestFileLayer() override;

    enum class Call { Inspect, CreateNew, OpenToRead, Read, Write, Flush, Close, Rename, Remove, SyncFolder, List };
    struct Logged {
        Call call;
        QString path; // for calls on an open file, the file's name; for a rename, where to
        QString from = {}; // a rename's file
        brackwell::SystemError error = 0;
    };

    // The `n`-th call from now on (1: the next) fails with `error`.
    void failCall(int n, brackwell::SystemError error);
    // From the `n`-th call on the program is dead: nothing more reaches the disk.
    void killAt(int n);
    // The program dies right after the next call of kind `call` on a file whose name ends in `ending`.
    void killAfter(Call call, const QString &ending);
    bool killed() const;
    // The next call of kind `call` on a file whose name ends in `ending` fails with `error`.
    void failNext(Call call, const QString &ending, brackwell::SystemError error);
    // Looking at anything below `folder` waits, as on a network drive that sleeps, until release().
    void hangBelow(const QString &folder);
    void release();
    // Calls from now on: the count, and what they were.
    void startCounting();
    int counted() const;
    QList<Logged> log() const;
    // The paths a call changed on the disk (made, written, renamed to, removed), and the names
    // files were given by a rename.
    QStringList changed() const;
    QStringList renamedTo() const;

    brackwell::SystemError inspect(const QString &path, brackwell::FileFacts &facts, bool followLink) override;
    brackwell::SystemError createNew(const QString &path, quint32 rights, Handle &file) override;
    brackwell::SystemError openToRead(const QString &path, Handle &file) override;
    brackwell::SystemError read(Handle file, char *data, qint64 size, qint64 &got) override;
    brackwell::SystemError write(Handle file, const char *data, qint64 size, qint64 &written) override;
    brackwell::SystemError flush(Handle file) override;
    brackwell::SystemError close(Handle file) override;
    brackwell::SystemError rename(const QString &from, const QString &to) override;
    QString parkedBy(const QString &from) const override;
    brackwell::SystemError remove(const QString &path) override;
    brackwell::SystemError syncFolder(const QString &folder) override;
    brackwell::SystemError list(const QString &folder, QStringList &names) override;
    QString describe(brackwell::SystemError error) const override;
    int oneClickCode(brackwell::SystemError error) const override;
    bool refusesNewFiles(brackwell::SystemError error) const override;

private:
    // Whether the call goes to the system; `error` is set where it fails instead. Either way the
    // call is logged, and `done` records what the system answered.
    bool pass(Call call, const QString &path, brackwell::SystemError &error, const QString &from = {});
    brackwell::SystemError done(brackwell::SystemError error);
    QString nameOf(Handle file) const;

    brackwell::FileLayer &m_system = brackwell::systemFileLayer();
    mutable QMutex m_mutex;
    QWaitCondition m_released;
    QWaitCondition m_idle;
    int m_inspecting = 0;
    QString m_hanging;
    int m_calls = 0;
    int m_countFrom = 0;
    QHash<int, brackwell::SystemError> m_failAt;
    std::optional<int> m_killAt;
    struct Named {
        Call call;
        QString ending;
        brackwell::SystemError error;
    };
    QList<Named> m_failNext;
    std::optional<std::pair<Call, QString>> m_killAfter;
    QList<Logged> m_log;
    QHash<Handle, QString> m_open;
};

// What the program keeps between runs, in memory: each window's view of one shared store, read
// when it is made and on reload, written on store, as each run's QSettings does with its file.
class MemorySettings final : public brackwell::KeptSettings
{
public:
    using Store = QHash<QString, QVariant>;
    MemorySettings();
    // Another run's, or another window's, store: this one shares it from now on.
    void share(const std::shared_ptr<Store> &store);
    std::shared_ptr<Store> shared() const { return m_disk; }
    // store() fails with this reason, and nothing reaches the shared store, while it is set; and
    // so while `dead` says the program was killed.
    QString refuse;
    std::function<bool()> dead;
    int reads = 0;

    QVariant value(const QString &key) override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;
    QStringList keys(const QString &group) override;
    void reload() override;
    QString store() override;

private:
    std::shared_ptr<Store> m_disk;
    Store m_read;                                 // the shared store as last read
    QHash<QString, std::optional<QVariant>> m_set; // set or removed since the last store
};

// A machine of temporary folders: the test names the drive root, home and Documents folders, files
// go through a TestFileLayer, what is kept between runs through MemorySettings.
class TestMachine final : public brackwell::Machine
{
public:
    TestMachine();
    ~TestMachine() override;

    brackwell::FileLayer &files() override { return disk; }
    brackwell::KeptSettings &settings() override { return kept; }
    brackwell::FileRead readFile(const QString &path, qint64 maxBytes) override;
    brackwell::GamePlaces places() override;
    bool canCreateFilesIn(const QString &folder) override;

    TestFileLayer disk;
    MemorySettings kept;

    // Files are read for real unless a result was queued for the next read.
    void failNextRead(const brackwell::FileRead &result);
    QStringList readAttempts;
    // Folders that refuse new files, as an installation folder does to a user without
    // administrator rights; the others are asked for real.
    QStringList unwritableFolders;
    // Where the one-click save looks for the game's folders; a test that saves that way must set
    // all three, to temporary folders, never the real ones.
    QString driveRoot;
    QString home;
    QString documents;

private:
    QQueue<brackwell::FileRead> m_readResults;
};
