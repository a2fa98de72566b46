#include "script/bindlines.h"
#include "console/keynames.h"
#include "document/boundkeys.h"
#include "document/configreader.h"
#include "script/slottable.h"
#ifdef BRACKWELL_CONSOLE_JUDGE
#include "support/configcorpus.h"
#include "support/consolejudge.h"
#endif

#include <QMap>
#include <QRect>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <iterator>

using namespace brackwell;

class TestKeys : public QObject
{
    Q_OBJECT

private slots:
    void tableHoldsEveryKeyOnce()
    {
        QSet<QString> controls, names;
        int live = 0;
        for (const PickerKey &key : pickerKeys) {
            controls.insert(QString::fromLatin1(key.control));
            if (!key.name)
                continue;
            ++live;
            const QString name = QString::fromLatin1(key.name);
            // One console token: anything else would split or end the bind line.
            QVERIFY2(!name.isEmpty() && !name.contains(u' ') && !name.contains(u'"') && !name.contains(u';'),
                     key.control);
            names.insert(name);
        }
        for (int i = 1; i <= KeyboardKeyCount; ++i)
            QVERIFY2(controls.contains(QStringLiteral("Button%1").arg(i)), qPrintable(QString::number(i)));
        QCOMPARE(controls.size(), PickerKeyCount);
        QCOMPARE(live, PickerKeyCount - 18);
        QCOMPARE(names.size(), live - 2); // both Shift keys are "shift", both Ctrl keys "ctrl"
    }

    void keysFormAKeyboardWithoutOverlaps()
    {
        for (int i = 0; i < PickerKeyCount; ++i) {
            const PickerKey &a = pickerKeys[i];
            const QRect ra(a.x, a.y, a.width, a.height);
            QVERIFY2(QRect(0, 0, 983, 435).contains(ra), a.control);
            // Neighbours may share their one-pixel edge, nothing more.
            for (int j = i + 1; j < PickerKeyCount; ++j) {
                const PickerKey &b = pickerKeys[j];
                const QRect overlap = ra.intersected(QRect(b.x, b.y, b.width, b.height));
                QVERIFY2(overlap.isEmpty() || overlap.width() <= 1 || overlap.height() <= 1,
                         qPrintable(QStringLiteral("%1 and %2").arg(a.control, b.control)));
            }
        }
    }

    void keysWriteTheGamesNames_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        auto row = [](const char *control, const char *caption, const char *name) {
            QTest::newRow(control) << caption << name;
        };
        row("Button1", "Esc", "escape");
        row("Button11", "F10", "F10");
        row("Button107", "Q", "q");
        row("Button66", "0", "0");
        row("Button33", "0", "kp_ins");
        row("Button54", "Return", "enter");
        row("Button36", "Enter", "kp_enter");
        row("Button19", "*", "*");
        row("Button34", "-", "-");
        row("Button20", "-", "kp_minus");
        row("Button76", ".", ".");
        row("Button35", ".", "kp_del");
        row("Button55", ";", "semicolon");
        row("Button85", "\\", "\\");
        row("Label2", "   Left", "mouse1");
        row("Label3", "Middle", "mouse3");
        row("Label4", "   Right", "mouse2");
    }

    void keysWriteTheGamesNames()
    {
        QFETCH(QString, caption);
        QFETCH(QString, name);
        const auto key = std::find_if(std::begin(pickerKeys), std::end(pickerKeys), [](const PickerKey &k) {
            return QLatin1StringView(k.control) == QLatin1StringView(QTest::currentDataTag());
        });
        QVERIFY(key != std::end(pickerKeys));
        QCOMPARE(QString::fromLatin1(key->caption), caption);
        QCOMPARE(QString::fromLatin1(key->name), name);
    }

    void everySlotHasItsButtonAndBox()
    {
        const QStringList edits = {"edtScript1", "edtScript2", "edtScript3", "edtScript4", "edtSsmg", "edtSmg42",
                                   "edtSflamer", "edtSpanza", "edtSmortar", "edtMsmg", "edtEsmg", "edtErifle",
                                   "edtFsmg", "edtCsten", "edtCfg42", "edtCsilenced", "edtKeyToBind"};
        for (int n = 1; n <= KeySlotCount; ++n) {
            const KeySlot *slot = findKeySlot(n);
            QVERIFY(slot);
            QCOMPARE(slot->number, n);
            QCOMPARE(slot->button, QStringLiteral("btnS%1").arg(n));
            QCOMPARE(slot->edit, edits[n - 1]);
        }
        for (int n : {0, -1, 18})
            QVERIFY(!findKeySlot(n));
    }

    void freeBindLines_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("chat");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<BindInput>>("clearOrder");
        using B = BindInput;
        const QString medic = "\"vsay Medic\"";
        const int added = AddResult::Added, missing = AddResult::Insufficient, ignored = AddResult::Ignored;
        QTest::newRow("say") << 0 << "k" << "hello there" << medic << added << "bind k say hello there"
                             << QList<B>{B::Chat, B::Key};
        QTest::newRow("vsay") << 1 << "F5" << "" << medic << added << "bind F5 \"vsay Medic\""
                              << QList<B>{B::Chat, B::Voice, B::Key};
        QTest::newRow("both") << 2 << "k" << "hi" << medic << added << "bind k \"\"vsay Medic\" hi\""
                              << QList<B>{B::Chat, B::Key, B::Voice};
        QTest::newRow("blanks count") << 0 << " " << " " << "" << added << "bind   say  " << QList<B>{B::Chat, B::Key};
        QTest::newRow("say, no key") << 0 << "" << "hi" << medic << missing << "" << QList<B>{};
        QTest::newRow("say, no text") << 0 << "k" << "" << medic << missing << "" << QList<B>{};
        QTest::newRow("vsay, no voice") << 1 << "k" << "hi" << "" << missing << "" << QList<B>{};
        QTest::newRow("both, no text") << 2 << "k" << "" << medic << missing << "" << QList<B>{};
        QTest::newRow("both, no voice") << 2 << "k" << "hi" << "" << missing << "" << QList<B>{};
        QTest::newRow("no type") << -1 << "k" << "hi" << medic << ignored << "" << QList<B>{};
        QTest::newRow("no type, nothing typed") << -1 << "" << "" << "" << ignored << "" << QList<B>{};
    }

    void freeBindLines()
    {
        QFETCH(int, type);
        QFETCH(QString, key);
        QFETCH(QString, chat);
        QFETCH(QString, voice);
        const AddResult result = freeBindLine(type, {key, chat, voice});
        QTEST(int(result.status), "status");
        QTEST(result.line, "line");
        QTEST(result.clearOrder, "clearOrder");
    }

    void customVariableLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("unquoted") << "cg_fov" << "100" << "seta cg_fov 100";
        QTest::newRow("blank inside") << "cg_fov" << "a b" << "seta cg_fov a b";
        QTest::newRow("no name") << "" << "100" << "";
        QTest::newRow("no value") << "cg_fov" << "" << "";
    }

    void customVariableLines()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QTEST(customVariableLine(name, value), "line");
    }

    void appendingMakesANewLastLine_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("after");
        QTest::newRow("empty") << "" << "L\n";
        QTest::newRow("after a line break") << "a\n" << "a\nL\n";
        QTest::newRow("after an empty line") << "a\n\n" << "a\n\nL\n";
        QTest::newRow("after unfinished text") << "a" << "a\nL";
    }

    void appendingMakesANewLastLine()
    {
        QFETCH(QString, existing);
        QFETCH(QString, after);
        const QString once = existing + textToAppend(existing, "L");
        QCOMPARE(once, after);
        // The next line lands on a line of its own either way.
        QCOMPARE(once + textToAppend(once, "M"), once.endsWith(u'\n') ? once + "M\n" : once + "\nM");
    }

    // The keys a file leaves bound, each with its command, are those the game's engine lists
    // after executing it: players' files, and unbind, unbindall, an empty bind, other key names.
    void boundKeysAreTheGamesBindList()
    {
        const QByteArray hand = "bind y +sprint\r\nunbindall\r\n/* a\nbind u x */ bind H dropobj\r\nbind kp_5 \"a; b\" "
                                "// c\nbind x a\runbind X\nbind F1 \"\"\nbind 0x41 a; bind SEMICOLON \"b\"\nbind h c\n";
        const QHash<QString, BoundKey> bound = boundKeys(QString::fromLatin1(hand));
        QCOMPARE(replacedBind(bound, u"H", u"dropobj")->line, 10);
        QVERIFY(!replacedBind(bound, u"KP_5", u"a; b") && !replacedBind(bound, u"x", u"b"));
#ifdef BRACKWELL_CONSOLE_JUDGE
        testing::ConsoleJudge judge;
        if (!judge.judgesBinds())
            QSKIP(qPrintable(judge.noBindsReason()));
        QList<QByteArray> files{hand};
        for (const testing::CorpusFile &file : testing::configCorpus(20261208, 40))
            files << file.bytes;
        const QList<testing::ConsoleView> views = judge.judge(files);
        for (qsizetype i = 0; i < files.size(); ++i) {
            QVERIFY2(views.value(i).judged(), qPrintable(views.value(i).failure()));
            QMap<QString, QString> ours, listed; // by the key word, and by the engine's name for it
            for (const BoundKey &key : boundKeys(configFileText(files[i], QStringConverter::Latin1)))
                ours.insert(key.key, key.command);
            const QHash<QString, QString> names = judge.keyNames(ours.keys());
            for (auto key = ours.cbegin(); key != ours.cend(); ++key)
                listed.insert(names.value(key.key()), key.value());
            QCOMPARE(listed, views[i].binds());
        }
#endif
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "tst_keys.moc"
