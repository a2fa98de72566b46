#include "keys/bindlines.h"
#include "keys/keynames.h"
#include "keys/slottable.h"

#include <QRect>
#include <QSet>
#include <QTest>

using namespace brackwell;

namespace {

const PickerKey *keyByControl(const QString &control)
{
    for (const PickerKey &key : pickerKeys) {
        if (control == QLatin1StringView(key.control))
            return &key;
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(QList<brackwell::BindInput>)

class TestKeys : public QObject
{
    Q_OBJECT

private slots:
    void tableHoldsEveryKeyOnce()
    {
        QSet<QString> controls;
        for (const PickerKey &key : pickerKeys)
            controls.insert(QString::fromLatin1(key.control));
        QCOMPARE(controls.size(), PickerKeyCount);
        for (int i = 0; i < KeyboardKeyCount; ++i) {
            QVERIFY2(controls.contains(QStringLiteral("Button%1").arg(i + 1)), qPrintable(QString::number(i + 1)));
            QVERIFY(QLatin1StringView(pickerKeys[i].control).startsWith(QLatin1StringView("Button")));
        }
        for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i)
            QVERIFY(QLatin1StringView(pickerKeys[i].control).startsWith(QLatin1StringView("Label")));

        QStringList disabled;
        QSet<QString> names;
        int live = 0;
        for (const PickerKey &key : pickerKeys) {
            if (!key.name) {
                disabled << QString::fromLatin1(key.control);
                continue;
            }
            ++live;
            const QString name = QString::fromLatin1(key.name);
            // One console token: anything else would split or end the bind line.
            QVERIFY2(!name.isEmpty() && !name.contains(u' ') && !name.contains(u'"') && !name.contains(u';'),
                     key.control);
            names.insert(name);
        }
        disabled.sort();
        QStringList expected = {"Button14", "Button15", "Button16", "Button102", "Button40", "Button43",
                                "Button44", "Button45", "Button18", "Button88",  "Button56", "Button57",
                                "Button50", "Button63", "Button78", "Button60",  "Button59", "Button58"};
        expected.sort();
        QCOMPARE(disabled, expected);
        QCOMPARE(live, 95);
        QCOMPARE(names.size(), 93); // both Shift keys are "shift", both Ctrl keys "ctrl"
    }

    void keysFormAKeyboardWithoutOverlaps()
    {
        const QRect window(0, 0, 983, 435);
        for (int i = 0; i < PickerKeyCount; ++i) {
            const PickerKey &a = pickerKeys[i];
            const QRect ra(a.x, a.y, a.width, a.height);
            QVERIFY2(window.contains(ra), a.control);
            if (i < KeyboardKeyCount) {
                const bool tall = QByteArray(a.control) == "Button54" || QByteArray(a.control) == "Button24"
                                  || QByteArray(a.control) == "Button36";
                QCOMPARE(a.height, tall ? 65 : 33);
            }
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
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        auto row = [](const char *control, const char *caption, const char *name) {
            QTest::newRow(control) << control << caption << name;
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
        row("Button61", "/", "/");
        row("Button17", "/", "kp_slash");
        row("Button76", ".", ".");
        row("Button35", ".", "kp_del");
        row("Button26", "5", "kp_5");
        row("Button55", ";", "semicolon");
        row("Button85", "\\", "\\");
        row("Button41", "BSpace", "backspace");
        row("Button73", "Space Bar", "space");
        row("Button37", "Left", "leftarrow");
        row("Button62", "Shift", "shift");
        row("Button79", "Ctrl", "ctrl");
        row("Label2", "   Left", "mouse1");
        row("Label3", "Middle", "mouse3");
        row("Label4", "   Right", "mouse2");
    }

    void keysWriteTheGamesNames()
    {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        const PickerKey *key = keyByControl(control);
        QVERIFY(key);
        QCOMPARE(QString::fromLatin1(key->caption), caption);
        QCOMPARE(QString::fromLatin1(key->name), name);
    }

    void everySlotHasItsButtonAndBox()
    {
        const QStringList edits = {"edtScript1", "edtScript2", "edtScript3", "edtScript4", "edtSsmg",
                                   "edtSmg42",   "edtSflamer", "edtSpanza",  "edtSmortar", "edtMsmg",
                                   "edtEsmg",    "edtErifle",  "edtFsmg",    "edtCsten",   "edtCfg42",
                                   "edtCsilenced", "edtKeyToBind"};
        QCOMPARE(int(keySlots().size()), edits.size());
        for (int n = 1; n <= KeySlotCount; ++n) {
            const KeySlot *slot = findKeySlot(n);
            QVERIFY(slot);
            QCOMPARE(slot->number, n);
            QCOMPARE(slot->button, QStringLiteral("btnS%1").arg(n));
            QCOMPARE(slot->edit, edits[n - 1]);
        }
        for (int n : {0, -1, 18, 1000})
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

        QTest::newRow("say") << 0 << "k" << "hello there" << "" << added << "bind k say hello there"
                             << QList<B>{B::Chat, B::Key};
        QTest::newRow("say leaves the voice alone") << 0 << "k" << "hi" << medic << added << "bind k say hi"
                                                    << QList<B>{B::Chat, B::Key};
        QTest::newRow("vsay") << 1 << "F5" << "" << medic << added << "bind F5 \"vsay Medic\""
                              << QList<B>{B::Chat, B::Voice, B::Key};
        QTest::newRow("vsay typed") << 1 << "F5" << "stale" << "vsay_team Hi" << added << "bind F5 vsay_team Hi"
                                    << QList<B>{B::Chat, B::Voice, B::Key};
        QTest::newRow("say and vsay") << 2 << "k" << "hi" << medic << added << "bind k \"\"vsay Medic\" hi\""
                                      << QList<B>{B::Chat, B::Key, B::Voice};
        QTest::newRow("blanks count") << 0 << " " << " " << "" << added << "bind   say  " << QList<B>{B::Chat, B::Key};
        QTest::newRow("texts unchanged") << 0 << "H" << "\"gg\"; quit" << "" << added << "bind H say \"gg\"; quit"
                                         << QList<B>{B::Chat, B::Key};

        QTest::newRow("say, no key") << 0 << "" << "hi" << medic << missing << "" << QList<B>{};
        QTest::newRow("say, no text") << 0 << "k" << "" << medic << missing << "" << QList<B>{};
        QTest::newRow("vsay, no key") << 1 << "" << "hi" << medic << missing << "" << QList<B>{};
        QTest::newRow("vsay, no voice") << 1 << "k" << "hi" << "" << missing << "" << QList<B>{};
        QTest::newRow("both, no text") << 2 << "k" << "" << medic << missing << "" << QList<B>{};
        QTest::newRow("both, no voice") << 2 << "k" << "hi" << "" << missing << "" << QList<B>{};

        QTest::newRow("no type") << -1 << "k" << "hi" << medic << ignored << "" << QList<B>{};
        QTest::newRow("no type, nothing typed") << -1 << "" << "" << "" << ignored << "" << QList<B>{};
        QTest::newRow("unknown type") << 3 << "k" << "hi" << medic << ignored << "" << QList<B>{};
    }

    void freeBindLines()
    {
        QFETCH(int, type);
        QFETCH(QString, key);
        QFETCH(QString, chat);
        QFETCH(QString, voice);
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(QList<BindInput>, clearOrder);
        const AddResult result = freeBindLine(type, {key, chat, voice});
        QCOMPARE(int(result.status), status);
        QCOMPARE(result.line, line);
        QCOMPARE(result.clearOrder, clearOrder);
    }

    void customVariableLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("unquoted") << "cg_fov" << "100" << "seta cg_fov 100";
        QTest::newRow("blank inside") << "cg_fov" << "a b" << "seta cg_fov a b";
        QTest::newRow("quotes kept") << "r_x" << "\"1\"" << "seta r_x \"1\"";
        QTest::newRow("no name") << "" << "100" << "";
        QTest::newRow("no value") << "cg_fov" << "" << "";
    }

    void customVariableLines()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, line);
        QCOMPARE(customVariableLine(name, value), line);
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
        // A second line always lands on a line of its own.
        const QString twice = once + textToAppend(once, "M");
        QVERIFY(twice.startsWith(after));
        QVERIFY(twice.endsWith(after.endsWith(u'\n') ? "L\nM\n" : "L\nM"));
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "tst_keys.moc"
