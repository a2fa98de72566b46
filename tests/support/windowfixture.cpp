#include "support/windowfixture.h"

WindowFixture::WindowFixture()
{
    applicationSetup();
    window = std::make_unique<TfrmBrackwell>(desktop);
    picker = std::make_unique<TForm3>(*window);
}

WindowFixture::~WindowFixture() = default;

QString WindowFixture::outputText() const
{
    QString text = output()->toPlainText();
    text.replace(u'\n', QLatin1StringView("\r\n"));
    return text;
}

brackwell::ApplicationSetup &applicationSetup()
{
    static brackwell::ApplicationSetup setup;
    return setup;
}
