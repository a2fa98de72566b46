#include "rules/serverrules.h"

#include "console/consolelines.h"

#include <QSet>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <charconv>
#include <cmath>
#include <limits>

namespace brackwell {

namespace {

// The client's strings hold 255 bytes and a NUL.
constexpr qsizetype longestValue = 255;
// The server keeps this many rules and reads a mode word of this many bytes.
constexpr qsizetype mostRules = 128;
constexpr qsizetype longestMode = 15;

bool cSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtof as the game calls it: the number at the string's start, after blanks, in the C locale
// whatever locale the program runs in; 0 where there is none, infinity past float's range.
float cFloat(const QByteArray &text)
{
    const char *p = text.constData();
    const char *end = p + text.size();
    while (p < end && cSpace(*p))
        ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        ++p;
    if (p == end || *p == '-' || *p == '+')
        return 0.f;
    const auto hexDigit = [end](const char *at) { return at < end && std::isxdigit(static_cast<unsigned char>(*at)); };
    // "0x" counts only with a hex digit after it (or after its point); else the 0 is the number.
    const bool hex = end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
                     (hexDigit(p + 2) || (p + 2 < end && p[2] == '.' && hexDigit(p + 3)));
    const std::chars_format format = hex ? std::chars_format::hex : std::chars_format::general;
    float value = 0.f;
    const std::from_chars_result read = std::from_chars(hex ? p + 2 : p, end, value, format);
    if (read.ec == std::errc::result_out_of_range) {
        // Too large reads as infinity; too small as the nearest float there is, zero at last.
        double wide = 0.;
        const std::from_chars_result widely = std::from_chars(hex ? p + 2 : p, end, wide, format);
        if (widely.ec == std::errc())
            value = std::abs(wide) >= 1. ? std::numeric_limits<float>::infinity() : float(wide);
        else // beyond a double too: the exponent's sign tells which end
            value = std::find(p, read.ptr, '-') != read.ptr ? 0.f : std::numeric_limits<float>::infinity();
    } else if (read.ec != std::errc()) {
        return 0.f; // no number at all, and no sign either
    }
    return negative ? -value : value;
}

// strtol in base 10, as the game's 64-bit client calls it: held at a 64-bit long's ends, then cut
// to an int's low 32 bits.
int cInt(const QByteArray &text)
{
    qsizetype i = 0;
    while (i < text.size() && cSpace(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    quint64 magnitude = 0;
    bool held = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
        const quint64 digit = quint64(text[i] - '0');
        held = held || magnitude > (limit - digit) / 10;
        magnitude = held ? limit : magnitude * 10 + digit;
    }
    return int(quint32(negative ? ~magnitude + 1 : magnitude));
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Q_stricmp: equal but for the capitals of ASCII letters; other letters as they are.
bool sameIgnoringCase(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// The game's va("%8.4f"): C's own rounding of the exact binary value, with a point whatever the
// program's locale.
// The game's int arithmetic, which wraps round at its ends.
QByteArray wrapped(int a, int b)
{
    return QByteArray::number(int(quint32(a) + quint32(b)));
}

QByteArray wrappedDifference(int a, int b)
{
    return QByteArray::number(int(quint32(a) - quint32(b)));
}

QByteArray fourDecimals(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%8.4f", double(value));
    QByteArray written(text);
    const char *point = std::localeconv()->decimal_point;
    if (point && std::strcmp(point, ".") != 0)
        written.replace(point, ".");
    return written;
}

// The three readings of a string the check uses.
struct Number {
    explicit Number(const QByteArray &text)
        : f(cFloat(text))
        , i(cInt(text))
        , hasPoint(text.contains('.'))
    {
    }
    float f;
    int i;
    bool hasPoint;
    bool nonZero() const { return f != 0.f || i != 0; }
};

struct ModeName {
    const char *shortName;
    const char *longName;
    ServerRule::Mode mode;
};
const ModeName modeNames[] = {
    {"EQ", "EQUAL", ServerRule::Mode::Equal},
    {"G", "GREATER", ServerRule::Mode::Greater},
    {"GE", "GREATEREQUAL", ServerRule::Mode::GreaterEqual},
    {"L", "LOWER", ServerRule::Mode::Lower},
    {"LE", "LOWEREQUAL", ServerRule::Mode::LowerEqual},
    {"IN", "INSIDE", ServerRule::Mode::Inside},
    {"OUT", "OUTSIDE", ServerRule::Mode::Outside},
    {"INC", "INCLUDE", ServerRule::Mode::Include},
    {"EXC", "EXCLUDE", ServerRule::Mode::Exclude},
    {"WB", "WITHBITS", ServerRule::Mode::WithBits},
    {"WOB", "WITHOUTBITS", ServerRule::Mode::WithoutBits},
};

} // namespace

std::optional<ServerRule::Mode> ruleMode(QStringView word)
{
    const QByteArray bytes = word.toLatin1().left(longestMode);
    for (const ModeName &name : modeNames) {
        if (sameIgnoringCase(bytes, name.shortName) || sameIgnoringCase(bytes, name.longName))
            return name.mode;
    }
    return std::nullopt;
}

std::optional<QByteArray> ruleFrame(const ServerRule &rule, const QByteArray &value)
{
    using Mode = ServerRule::Mode;
    const QByteArray current = value.left(longestValue);
    const Number cur(current), v1(rule.value1), v2(rule.value2);
    // Where a mode sets the variable twice in one frame, the later set is the one that stays.
    std::optional<QByteArray> set;
    switch (rule.mode) {
    case Mode::Equal:
        if (!sameIgnoringCase(rule.value1, current))
            set = rule.value1;
        break;
    case Mode::Greater:
        if (cur.f <= v1.f)
            set = cur.hasPoint || v1.hasPoint ? fourDecimals(v1.f + 0.0001f) : wrapped(v1.i, 1);
        break;
    case Mode::GreaterEqual:
        if (cur.f < v1.f)
            set = rule.value1;
        break;
    case Mode::Lower:
        if (cur.f >= v1.f)
            set = cur.hasPoint || v1.hasPoint ? fourDecimals(v1.f - 0.0001f) : wrapped(v1.i, -1);
        break;
    case Mode::LowerEqual:
        if (cur.f > v1.f)
            set = cur.hasPoint || v1.hasPoint ? fourDecimals(v1.f) : QByteArray::number(v1.i);
        break;
    case Mode::Inside:
        // A bound of 0 is no bound.
        if (v1.nonZero() && cur.f < v1.f)
            set = rule.value1;
        if (v2.nonZero() && cur.f > v2.f)
            set = rule.value2;
        break;
    case Mode::Outside:
        // Both checks look at the value as it was at the frame's start.
        if (v1.nonZero() && cur.f >= v1.f && (v2.f == 0.f || cur.f < v2.f))
            set = cur.hasPoint || v1.hasPoint ? fourDecimals(v1.f - 0.0001f) : wrapped(v1.i, -1);
        if (v2.nonZero() && cur.f <= v2.f && cur.f > v1.f)
            set = cur.hasPoint || v2.hasPoint ? fourDecimals(v2.f + 0.0001f) : wrapped(v2.i, 1);
        break;
    case Mode::Include:
        if (!current.contains(rule.value1))
            set = rule.value2;
        break;
    case Mode::Exclude:
        if (current.contains(rule.value1))
            set = rule.value2;
        break;
    case Mode::WithBits:
        if (!(cur.i & v1.i))
            set = wrapped(cur.i, v1.i);
        break;
    case Mode::WithoutBits:
        if (cur.i & v1.i)
            set = wrappedDifference(cur.i, v1.i);
        break;
    }
    return set;
}

QByteArray enforcedValue(const ServerRule &rule, const QByteArray &value)
{
    QByteArray now = value;
    QSet<QByteArray> seen{now};
    // A rule settles within a frame or two; one whose sets go round for ever ends where it came back.
    for (int frame = 0; frame < 16; ++frame) {
        const std::optional<QByteArray> set = ruleFrame(rule, now);
        if (!set || *set == now)
            return now;
        now = *set;
        if (seen.contains(now))
            return now;
        seen.insert(now);
    }
    return now;
}

const ServerRule *RuleSet::ruleFor(QStringView variable) const
{
    const QByteArray name = variable.toLatin1();
    for (const ServerRule &rule : rules) {
        if (sameIgnoringCase(rule.variable.toLatin1(), name))
            return &rule;
    }
    return nullptr;
}

namespace {

// One console command of a server's config, as its console cut it into words.
void takeCommand(RuleSet &set, const QList<ReadWord> &words)
{
    if (words.isEmpty())
        return;
    const QByteArray command = words[0].text.toLatin1();
    if (sameIgnoringCase(command, "sv_cvarempty")) {
        set.rules.clear();
        return;
    }
    if (!sameIgnoringCase(command, "sv_cvar") || words.size() <= 3)
        return;
    QByteArray lowered = words[1].text.toLatin1().left(longestValue);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), asciiLower);
    const QString name = QString::fromLatin1(lowered);
    qsizetype index = set.rules.size();
    for (qsizetype i = 0; i < set.rules.size(); ++i) {
        if (sameIgnoringCase(set.rules[i].variable.toLatin1(), name.toLatin1()))
            index = i;
    }
    const std::optional<ServerRule::Mode> mode = ruleMode(words[2].text);
    if (index >= mostRules || !mode)
        return;
    // A second value counts only where it is the last word.
    const ServerRule rule{name, *mode, words[3].text.toLatin1().left(longestValue),
                          words.size() == 5 ? words[4].text.toLatin1().left(longestValue) : QByteArray()};
    if (index == set.rules.size())
        set.rules.append(rule);
    else
        set.rules[index] = rule;
}

void takeCommands(RuleSet &set, const QByteArray &text)
{
    const ConsoleRead read = readAsConsole(QString::fromLatin1(text), legacyConsole);
    for (const ReadCommand &command : read.commands)
        takeCommand(set, command.words);
}

// A `.config`'s tokens: quoted strings (their quotes taken off), braces, and words.
QList<QByteArray> configTokens(const QByteArray &bytes, QList<bool> &quoted)
{
    QList<QByteArray> tokens;
    qsizetype i = 0;
    const auto blank = [&](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (blank(c)) {
            ++i;
        } else if (bytes.mid(i, 2) == "//") {
            while (i < bytes.size() && bytes[i] != '\n')
                ++i;
        } else if (bytes.mid(i, 2) == "/*") {
            const qsizetype end = bytes.indexOf("*/", i + 2);
            i = end < 0 ? bytes.size() : end + 2;
        } else if (c == '"') {
            QByteArray token;
            for (++i; i < bytes.size() && bytes[i] != '"'; ++i) {
                if (bytes[i] == '\\' && i + 1 < bytes.size())
                    ++i;
                token += bytes[i];
            }
            ++i;
            tokens << token;
            quoted << true;
        } else if (c == '{' || c == '}') {
            tokens << QByteArray(1, c);
            quoted << false;
            ++i;
        } else {
            const qsizetype start = i;
            while (i < bytes.size() && !blank(bytes[i]) && bytes[i] != '{' && bytes[i] != '}' && bytes[i] != '"')
                ++i;
            tokens << bytes.mid(start, i - start);
            quoted << false;
        }
    }
    return tokens;
}

} // namespace

RuleSet readServerConfig(const QString &name, const QByteArray &bytes)
{
    RuleSet set{name, {}};
    QList<bool> quoted;
    const QList<QByteArray> tokens = configTokens(bytes, quoted);
    const bool config = tokens.contains("command") || tokens.contains("init");
    if (!config) {
        takeCommands(set, bytes);
        return set;
    }
    // The commands of `init` and of `map default` run on every map; those of a map named are
    // that map's alone and are left out.
    int depth = 0;
    bool skipping = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (!quoted[i] && tokens[i] == "{") {
            ++depth;
        } else if (!quoted[i] && tokens[i] == "}") {
            if (--depth == 0)
                skipping = false;
        } else if (depth == 0 && !quoted[i] && sameIgnoringCase(tokens[i], "map") && i + 1 < tokens.size()) {
            skipping = !sameIgnoringCase(tokens[i + 1], "default");
        } else if (!skipping && !quoted[i] && sameIgnoringCase(tokens[i], "command") && i + 1 < tokens.size()) {
            takeCommands(set, tokens[++i]);
        }
    }
    return set;
}

QList<RuleSet> shippedRuleSets()
{
    // The rules of the league configs that ET: Legacy's server ships, the same in its four.
    static const char league[] =
        "sv_cvarempty\n"
        "sv_cvar cl_freelook EQ 1\nsv_cvar cl_pitchspeed EQ 0\nsv_cvar cl_yawspeed EQ 0\n"
        "sv_cvar cl_timenudge EQ 0\nsv_cvar cg_simpleitems EQ 0\nsv_cvar cg_bobup IN 0 0.005\n"
        "sv_cvar cg_fov IN 90 120\nsv_cvar cg_shadows IN 0 1\nsv_cvar cg_autoaction IN 2 7\n"
        "sv_cvar rate EQ 25000\nsv_cvar cl_maxpackets EQ 125\nsv_cvar snaps EQ 20\n"
        "sv_cvar com_maxfps IN 40 125\nsv_cvar m_pitch OUT -0.015 0.015\nsv_cvar m_yaw IN -0.022 0.022\n"
        "sv_cvar r_ambientScale EQ 0.5\nsv_cvar r_drawentities EQ 1\nsv_cvar r_drawworld EQ 1\n"
        "sv_cvar r_lightmap EQ 0\nsv_cvar r_showtris EQ 0\nsv_cvar r_znear EQ 3\n"
        "sv_cvar r_allowextensions EQ 1\nsv_cvar r_ati_fsaa_samples EQ 0\nsv_cvar r_ati_truform_tess EQ 0\n"
        "sv_cvar r_clamptoedge EQ 1\nsv_cvar r_colorMipLevels EQ 0\nsv_cvar r_depthbits IN 24 32\n"
        "sv_cvar r_detailtextures EQ 0\nsv_cvar r_flares IN 0 1\nsv_cvar r_ext_ATI_pntriangles EQ 0\n"
        "sv_cvar r_nv_fogdist_mode INCLUDE NV GL_EYE_RADIAL_NV\nsv_cvar r_primitives IN 0 2\n"
        "sv_cvar r_subdivisions IN 1 20\nsv_cvar r_lodcurveerror GE 60\nsv_cvar r_wolffog EQ 0\n"
        "sv_cvar r_zfar EQ 0\n";
    // 5on5 and 6on6 ask for foliage on every map but one.
    static const char foliage[] = "sv_cvar r_drawfoliage EQ 1\n";
    static const char competition[] = "sv_cvar rate EQ 25000\nsv_cvar cl_maxpackets EQ 125\nsv_cvar snaps EQ 20\n"
                                      "sv_cvar com_maxfps IN 40 125\n";
    return {readServerConfig(QStringLiteral("Legacy 1on1"), league),
            readServerConfig(QStringLiteral("Legacy 3on3"), league),
            readServerConfig(QStringLiteral("Legacy 5on5"), QByteArray(league) + foliage),
            readServerConfig(QStringLiteral("Legacy 6on6"), QByteArray(league) + foliage),
            readServerConfig(QStringLiteral("Legacy Competition"), competition)};
}

} // namespace brackwell
