#pragma once

#include "console/consolelines.h"
#include "script/generator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The game's console as a judge of config texts. A text is executed by a real engine, which then
// lists every bound key (`bindlist`) and every console variable (`cvarlist`): the listing shows
// what the console understood, whatever any reader of ours thinks. Any text can be judged,
// generated or hand-made.
//
// Two engines can judge:
// - ET: Legacy's client (`etl`), the game's own engine, run as a dedicated program: it needs no
//   display, sound or game data (an empty pak0.pk3 passes its start-up check). It judges binds
//   and variables. tools/dev.sh builds it once from the engine's source beside the project into
//   a cache folder and hands its folder to the build (BRACKWELL_ETLEGACY); the environment
//   variable of the same name, where set, wins (set empty, it makes ioq3ded the judge).
// - Without it, ioquake3's dedicated server (`ioq3ded`), a cousin with the same command buffer
//   and set/seta but no bind command: it judges variables only, by slightly other rules (a
//   character above 127 ends a word, "unsafe" stays in a value).
//
// Each run gets throwaway base and home folders and neither game data nor network. Starting the
// engine costs a quarter of a second, judging one text a few milliseconds, so many texts share
// one run: each is executed by name, its binds and variables listed, then every bind and every
// variable it made is wiped before the next. Marker lines around each text keep the reports
// apart, so a text that ends the run early (`quit`) cannot pass another text's listing off as its
// own: it is reported unjudged and the texts after it go on in a new run. A "/*" comment a text
// leaves open is closed after it by two lines, `*/` and `"*/`: a double quote inside the comment
// hides the first from the buffer, never both.
//
// Neither engine's cvarlist shows latched values; they are read by printing each variable that
// can latch (the engine shows its latched value then), found once from an empty text.

namespace brackwell::testing {

// One variable as the engine lists it.
struct ConsoleVariable {
    QString name; // the engine keeps the first spelling it met
    QString value;
    // A value waiting for a restart. The game executes its autoexec.cfg before it registers its
    // latched variables, so there the script's value takes effect at once: this is what it holds.
    std::optional<QString> latched;
    // The listing's flag letters. Both engines: A archived, L latched on change, ? made by a text.
    // ET: Legacy also: S serverinfo, s systeminfo, U userinfo, R read-only, I init, C cheat,
    // P protected, T temp, N archived only when not the default.
    QString flags;
    std::optional<QString> defaultValue; // ET: Legacy lists it

    QString held() const { return latched.value_or(value); }
};

// What the console holds after executing one text.
//
// Texts are bytes; values and binds come back as text, one character per byte (Latin-1). ET:
// Legacy prints a byte above 127 that starts no UTF-8 letter as that Latin-1 letter in UTF-8
// and a UTF-8 letter as it is: an 8-bit text reads back byte for byte unless it holds "Â" or "Ã"
// before a byte 0x80 to 0xBF, and a UTF-8 text reads back as its letters where they are Latin-1.
class ConsoleView
{
public:
    // False when the engine's report on this text was missing or cut short; see failure().
    bool judged() const { return m_failure.isEmpty(); }
    QString failure() const { return m_failure; }

    // Names are compared without regard to case, as the engine compares them.
    bool contains(const QString &name) const;
    const ConsoleVariable *variable(const QString &name) const;
    // The value the game holds from this text on (a latched value counts), or none.
    std::optional<QString> value(const QString &name) const;
    // Whether `name` stands in this view exactly as in `other` (both absent counts): with the
    // view of an empty text as `other`, whether the text left the variable alone.
    bool sameAs(const ConsoleView &other, const QString &name) const;
    QList<ConsoleVariable> variables() const { return m_variables.values(); }
    // Whether the engine refused a value the text gave one of its own variables and said so,
    // holding a value of its own instead: ET: Legacy's com_maxfps takes whole numbers from 20 to
    // 500 only. The game does the same; it is no reading of the text.
    bool refusedValue(const QString &name) const;

    // Every bound key by the name the engine lists it under (see ConsoleJudge::keyNames), with
    // the command it runs. Empty when the engine judges no binds.
    const QMap<QString, QString> &binds() const { return m_binds; }
    std::optional<QString> binding(const QString &listedKey) const;

    // What the engine printed while it executed the text (unknown commands, latch notices...).
    QString log() const { return m_log; }

private:
    friend struct ConsoleReport; // reads the engine's output into views
    QHash<QString, ConsoleVariable> m_variables; // by the name in ASCII lower case
    QMap<QString, QString> m_binds;
    QString m_log;
    QString m_failure;
};

class ConsoleJudge
{
public:
    enum class Engine { None, Legacy, Ioq3 };

    // ET: Legacy's etl where the build or the environment names its folder, else ioq3ded on the
    // PATH or where Debian puts it. Empty when there is neither.
    static QString findEngine();
    // The error for a test to fail with when no engine is there.
    static QString missingEngineMessage();

    explicit ConsoleJudge(QString engine = findEngine());
    bool available() const { return m_kind != Engine::None; }
    Engine engine() const { return m_kind; }
    // The engine's name for test output: which engine judged.
    QString engineName() const;
    // Whether binds are judged: the game's own engine only.
    bool judgesBinds() const { return m_kind == Engine::Legacy; }
    // Why binds are not judged, for a test to skip with.
    QString noBindsReason() const;
    // The engine's console in the terms of the game's versions (ET: Legacy's own rules for etl).
    const ConsoleRules &rules() const;

    // One view per text, in order. Each text is a file's bytes; the engine reads 8-bit text.
    QList<ConsoleView> judge(const QList<QByteArray> &files);
    // Texts as the program saves them: CR LF line breaks, Latin-1.
    QList<ConsoleView> judgeTexts(const QStringList &texts);

    // One text in an engine of its own, the way the game starts: the text as autoexec.cfg, which
    // the engine executes while it starts, then `+exec autoexec.cfg`, the listing and `+quit`.
    // Slower; it shows that running texts side by side in one engine changes nothing.
    ConsoleView judgeAlone(const QByteArray &file);

    // The view after an empty text: every variable the engine has of its own.
    const ConsoleView &baseline();

    // The name the engine lists the key under that each key word of a bind names ("shift" ->
    // "LEFTSHIFT", "Q" -> "q", "0x41" -> "A"), or an empty string when the engine knows no such
    // key: the game's own comparison of key names. Words are as the console hands them to
    // `bind`, after its tokenizer. Binds judged only; asked once per word and judge.
    QHash<QString, QString> keyNames(const QStringList &words);

private:
    QList<ConsoleView> runBatches(const QList<QByteArray> &files);
    QList<ConsoleView> runBatch(const QList<QByteArray> &files);
    QStringList latchedNames();

    QString m_engine;
    Engine m_kind = Engine::None;
    std::optional<ConsoleView> m_baseline;
    std::optional<QStringList> m_latchedNames;
    QHash<QString, QString> m_keyNames;
};

// ioq3ded's console in the terms of the game's versions: its buffer knows comments as ET:
// Legacy's does; a character above 127 ends a word as in 2.60; "//" after ':' is a comment too;
// set and seta join every value word and keep "unsafe" in the value.
extern const ConsoleRules ioq3Console;
// What the engine reads right after each text of a batch, as text to put after it for a reading
// of the same buffer.
extern const QString judgedTextEnd;

// The words a bound command runs as when its key is pressed: split at blanks (any character up to
// the blank), which the console's tokenizer drops.
QStringList boundWords(QStringView command);
// The keys (as the engine lists them) whose binding runs the words of `command`.
QStringList keysRunning(const ConsoleView &view, QStringView command);
// A catalogue command without its double quotes.
QString unquotedCommand(const char *quotedCommand);

// The value a row's script line gives its variable, or none when the row writes no line.
std::optional<QString> meantValue(const SettingRow &row, const SettingValue &value);

} // namespace brackwell::testing
