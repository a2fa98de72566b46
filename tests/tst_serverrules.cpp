// A server's rules as ET: Legacy's client applies them, judged by the client's own check compiled
// from the game's source (support/ruleoracle.cpp) on generated values for every mode.
#include "rules/serverrules.h"

#ifdef BRACKWELL_RULE_ORACLE
#include "support/ruleoracle.h"
#endif

#include <QRandomGenerator>
#include <QTest>

#include <clocale>

using namespace brackwell;

namespace {

// Values a player's config or a server's rule may hold: numbers written every way C reads them,
// and text.
QByteArray randomValue(QRandomGenerator &random)
{
    static const QByteArray pieces[] = {"0", "1", "2", "5", "9", "60", "125", "333", "25000", "0.5", "0.005",
                                        "-0.015", "0.022", ".5", "1.", "1e2", "1.5e-3", "-", "+", " ", "\t",
                                        "0x1A", "0x", "inf", "nan", "abc", "GL_EYE_RADIAL_NV", "NV", ".", "e",
                                        "99999999999999999999", "3.4e39", "1e-50", "1e-40", "-0", "00", "0x1p3", "0x.8",
                                        "2147483648", "-2147483648", "2147483647", "-9223372036854775809", "\xe9"};
    QByteArray value;
    for (int n = 1 + int(random.bounded(3)); n > 0; --n)
        value += pieces[random.bounded(int(std::size(pieces)))];
    return random.bounded(8) == 0 ? QByteArray() : value;
}

const char *modeWords[] = {"EQ", "G", "GE", "L", "LE", "IN", "OUT", "INC", "EXC", "WB", "WOB"};

} // namespace

class TestServerRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The game reads and writes its numbers in the C locale.
        std::setlocale(LC_NUMERIC, "C");
    }

    // Each frame of the client's check on a variable: what the program says the client sets it
    // to is what the game's own code sets, for every mode on generated rules and values.
    void aFrameIsTheGamesOwn()
    {
#ifndef BRACKWELL_RULE_ORACLE
        QSKIP("ET: Legacy's source is not beside the project: no judge of the rules here");
#else
        QRandomGenerator random(20261210);
        int set = 0, checks = 0;
        for (int mode = 0; mode < int(std::size(modeWords)); ++mode) {
            for (int round = 0; round < 20000; ++round) {
                const ServerRule rule{QStringLiteral("x"), *ruleMode(QString::fromLatin1(modeWords[mode])),
                                      randomValue(random), randomValue(random)};
                const QByteArray value = randomValue(random);
                const std::optional<QByteArray> game = testing::gameRuleFrame(mode, rule.value1, rule.value2, value);
                const std::optional<QByteArray> ours = ruleFrame(rule, value);
                QVERIFY2(ours == game, qPrintable(QStringLiteral("%1 \"%2\" \"%3\" on \"%4\": game %5, ours %6")
                                                      .arg(QLatin1StringView(modeWords[mode]),
                                                           QString::fromLatin1(rule.value1), QString::fromLatin1(rule.value2),
                                                           QString::fromLatin1(value),
                                                           game ? QString::fromLatin1(*game) : QStringLiteral("keeps"),
                                                           ours ? QString::fromLatin1(*ours) : QStringLiteral("keeps"))));
                set += game.has_value();
                ++checks;
            }
        }
        qInfo("%d frames judged by the game's own check, %d of them set the variable", checks, set);
#endif
    }

    // The rule sets ET: Legacy ships, frame after frame, as the game settles them; and the
    // values the players met: com_maxfps 333 plays as 125, cg_fov 130 as 120,
    // r_subdivisions 30 as 20, rate 45000 as 25000.
    void shippedRulesSettleAsTheGameDoes()
    {
        const QList<RuleSet> sets = shippedRuleSets();
        QStringList names;
        for (const RuleSet &set : sets)
            names << set.name;
        QCOMPARE(names, QStringList({"Legacy 1on1", "Legacy 3on3", "Legacy 5on5", "Legacy 6on6", "Legacy Competition"}));
        QCOMPARE(sets[0].rules.size(), 36);
        QCOMPARE(sets[2].rules.size(), 37);
        QCOMPARE(sets[4].rules.size(), 4);
        const RuleSet &competition = sets[4];
        const QList<std::pair<const char *, QByteArray>> played = {
            {"com_maxfps", "333"}, {"rate", "45000"}, {"snaps", "20"}, {"COM_MAXFPS", "30"}};
        QCOMPARE(enforcedValue(*competition.ruleFor(u"com_maxfps"), "333"), QByteArray("125"));
        QCOMPARE(enforcedValue(*competition.ruleFor(u"RATE"), "45000"), QByteArray("25000"));
        QCOMPARE(enforcedValue(*sets[0].ruleFor(u"cg_fov"), "130"), QByteArray("120"));
        QCOMPARE(enforcedValue(*sets[0].ruleFor(u"r_subdivisions"), "30"), QByteArray("20"));
        QCOMPARE(enforcedValue(*competition.ruleFor(u"com_maxfps"), "30"), QByteArray("40"));
        QCOMPARE(competition.ruleFor(u"cg_fov"), nullptr);
#ifdef BRACKWELL_RULE_ORACLE
        // Frame after frame, as the game's check runs on every one while connected.
        QRandomGenerator random(20261211);
        for (const RuleSet &set : sets) {
            for (const ServerRule &rule : set.rules) {
                for (int round = 0; round < 50; ++round) {
                    QByteArray game = randomValue(random);
                    const QByteArray start = game;
                    for (int frame = 0; frame < 16; ++frame) {
                        const std::optional<QByteArray> next =
                            testing::gameRuleFrame(int(rule.mode), rule.value1, rule.value2, game);
                        if (!next || *next == game)
                            break;
                        game = *next;
                    }
                    QCOMPARE(enforcedValue(rule, start), game);
                }
            }
        }
#endif
    }

    // A server's own config: the sv_cvar lines of a .cfg as its console reads them, and the
    // `command` lines of a .config's init and default map; sv_cvarempty forgets, a later rule for
    // a name replaces the earlier one in its place, a bad mode or too few words change nothing,
    // a second value counts only as the last word.
    void aServersOwnConfig()
    {
        const RuleSet cfg = readServerConfig(QStringLiteral("mine.cfg"),
                                             "sv_cvar cg_fov IN 90 120\r\n"
                                             "sv_cvarempty; sv_cvar CG_FOV in 80 100 // league\r\n"
                                             "sv_cvar rate EQ 25000\r\n"
                                             "sv_cvar cg_FOV GE 90\r\n"
                                             "sv_cvar snaps WHAT 20\r\nsv_cvar snaps EQ\r\n"
                                             "sv_cvar m_yaw IN -0.022 0.022 extra\r\n"
                                             "// sv_cvar com_maxfps EQ 76\r\n");
        QStringList rules;
        for (const ServerRule &rule : cfg.rules)
            rules << QStringLiteral("%1 %2 %3 %4").arg(rule.variable).arg(int(rule.mode))
                         .arg(QString::fromLatin1(rule.value1), QString::fromLatin1(rule.value2));
        QCOMPARE(rules, QStringList({"cg_fov 2 90 ", "rate 0 25000 ", "m_yaw 5 -0.022 "}));

        const RuleSet config = readServerConfig(
            QStringLiteral("mine.config"),
            "configname \"mine\"\ninit {\n  setl g_gametype 6\n  command \"sv_cvarempty\"\n"
            "  command \"sv_cvar com_maxfps IN 40 125\"\n}\n"
            "map default {\n  command \"sv_cvar r_drawfoliage EQ 1\"\n}\n"
            "map radar {\n  command \"sv_cvar r_drawfoliage EQ 0\"\n  command \"sv_cvar cg_fov EQ 90\"\n}\n");
        QCOMPARE(config.rules.size(), 2);
        QCOMPARE(config.rules[0].variable, "com_maxfps");
        QCOMPARE(config.rules[1].value1, QByteArray("1"));
    }
};

QTEST_GUILESS_MAIN(TestServerRules)
#include "tst_serverrules.moc"
