#include "platform/gamefolders.h"

#include <QFile>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

using namespace brackwell;

Q_DECLARE_METATYPE(Platform)

namespace {

// The help page as an XML parser reads it: written as XHTML-compatible HTML, so a strict parser
// proves it well-formed, and whatever a browser would fetch or run shows as an element or attribute.
struct Page {
    QString error;
    QString root;
    QSet<QString> elements;
    QSet<QString> ids;
    QStringList references; // every href and src
    QStringList handlers;   // attributes that run script: onclick and the like
    QString text;           // all character data, style sheet included
};

Page readPage()
{
    Page page;
    QFile file(QStringLiteral(BRACKWELL_HELPFILE));
    if (!file.open(QIODevice::ReadOnly)) {
        page.error = file.errorString();
        return page;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            if (page.root.isEmpty())
                page.root = name;
            page.elements.insert(name);
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                const QString key = attribute.name().toString().toLower();
                if (key == QLatin1StringView("id"))
                    page.ids.insert(attribute.value().toString());
                else if (key == QLatin1StringView("href") || key == QLatin1StringView("src"))
                    page.references.append(attribute.value().toString());
                else if (key.startsWith(QLatin1StringView("on")))
                    page.handlers.append(key);
            }
        } else if (xml.isCharacters()) {
            page.text += xml.text();
        }
    }
    if (xml.hasError())
        page.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return page;
}

} // namespace

class TestHelpFile : public QObject
{
    Q_OBJECT

private slots:
    void wellFormedAndSelfContained()
    {
        const Page page = readPage();
        QVERIFY2(page.error.isEmpty(), qPrintable(page.error));
        QCOMPARE(page.root, QStringLiteral("html"));
        for (const char *fetched : {"script", "link", "img", "iframe", "object", "embed", "audio", "video", "base"})
            QVERIFY2(!page.elements.contains(QLatin1StringView(fetched)), fetched);
        QVERIFY2(page.handlers.isEmpty(), qPrintable(page.handlers.join(u' ')));
        QVERIFY(!page.text.contains(QLatin1StringView("url("), Qt::CaseInsensitive));
        // Links stay on the page, and each leads somewhere.
        for (const QString &reference : page.references) {
            QVERIFY2(reference.startsWith(u'#'), qPrintable(reference));
            QVERIFY2(page.ids.contains(reference.mid(1)), qPrintable(reference));
        }
    }

    void coversEveryTopic()
    {
        const Page page = readPage();
        for (const char *topic : {"tabs", "switching", "scripts", "keypicker", "bars", "extra", "marks", "saving", "game", "keyboard"})
            QVERIFY2(page.ids.contains(QLatin1StringView(topic)), topic);
    }

    // The page names every folder the one-click save tries, as a user of each system writes it.
    void namesEveryOneClickFolder_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QChar>("separator");
        QTest::newRow("Linux") << Platform::Unix << "~" << "" << QChar(u'/');
        QTest::newRow("Windows") << Platform::Windows << "" << "Documents" << QChar(u'\\');
    }
    void namesEveryOneClickFolder()
    {
        QFETCH(Platform, platform);
        QFETCH(QString, home);
        QFETCH(QString, documents);
        QFETCH(QChar, separator);
        const Page page = readPage();
        for (QString folder : gameFolderCandidates({QStringLiteral("/"), home, documents}, platform)) {
            folder.replace(u'/', separator);
            QVERIFY2(page.text.contains(folder), qPrintable(folder));
        }
    }
};

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
