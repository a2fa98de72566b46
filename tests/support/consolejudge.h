#pragma once

#include "settings/consolelines.h"
#include "settings/generator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The game's console as a judge of config texts. The dedicated server of the open-source engine
// the game's own engine comes from (ioq3ded, Debian package ioquake3-server) has the same command
// buffer, tokenizer and set/seta. It executes a text and lists every console variable with
// `cvarlist`; the listing shows what the console understood, whatever any reader of ours thinks.
// Any text can be judged, generated or hand-made: compare value() of the variables that matter
// with what another reader makes of the same text.
//
// Binds are not judged: a dedicated server has no `bind` command, so bind lines (and UnbindAll)
// run into nothing there. Only variables are.
//
// Each run gets a throwaway base folder with one game folder (holding a default.cfg, which the
// engine insists on) and an empty home folder; it needs no game data and no network. Starting the
// engine costs about a tenth of a second, listing one text a few milliseconds, so many texts share
// one run: each is executed by name from the game folder, its variables listed, and `cvar_restart`
// wipes what it set before the next one. Marker lines around each text keep the reports apart, so
// a text that ends the run early (`quit`) cannot pass another text's listing off as its own, and a
// `/*` comment a text leaves open is closed before the next one.
//
// A "/*" comment a text leaves open is closed after it by two driver lines, `*/` and `"*/`: a double
// quote inside the comment hides the first from the buffer, never both.
//
// This engine's cvarlist does not show latched values; they are read by printing each variable
// that can latch (the engine shows its latched value then), found once from an empty text.

namespace brackwell::testing {

// One variable as the engine lists it.
struct ConsoleVariable {
    QString name; // the engine keeps the first spelling it met
    QString value;
    // A value waiting for a restart. The game executes its autoexec.cfg before it registers its
    // latched variables, so there the script's value takes effect at once: this is what it holds.
    std::optional<QString> latched;
    QString flags; // the listing's flag letters: A archived, L latched on change, ? made by a text

    QString held() const { return latched.value_or(value); }
};

// What the console holds after executing one text.
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
    // What the engine printed while it executed the text (unknown commands, latch notices...).
    QString log() const { return m_log; }

private:
    friend struct ConsoleReport; // reads the engine's output into views
    QHash<QString, ConsoleVariable> m_variables; // by the name in ASCII lower case
    QString m_log;
    QString m_failure;
};

class ConsoleJudge
{
public:
    // The engine: `ioq3ded` on the PATH, else where Debian puts it. Empty when there is none.
    static QString findEngine();
    // The error for a test to fail with when the engine is missing.
    static QString missingEngineMessage();

    explicit ConsoleJudge(QString engine = findEngine());
    bool available() const { return !m_engine.isEmpty(); }

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

private:
    QList<ConsoleView> runBatch(const QList<QByteArray> &files);
    QStringList latchedNames();

    QString m_engine;
    std::optional<ConsoleView> m_baseline;
    std::optional<QStringList> m_latchedNames;
};

// This engine's console in the terms of the game's versions: its buffer knows comments as ET:
// Legacy's does; a character above 127 ends a word as in 2.60; "//" after ':' is a comment too;
// set and seta join every value word and keep "unsafe" in the value.
extern const ConsoleRules judgeConsole;
// What the engine reads right after each text of a batch, as text to put after it for a reading
// of the same buffer.
extern const QString judgedTextEnd;

// The value a row's script line gives its variable, or none when the row writes no line.
std::optional<QString> meantValue(const SettingRow &row, const SettingValue &value);

} // namespace brackwell::testing
