#include "gui/mainwindow.h"

#include "document/boundkeys.h"
#include "document/configdocument.h"
#include "script/bindlines.h"
#include "gui/keypicker.h"
#include "script/slottable.h"
#include "gui/desktop.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextCursor>

using namespace brackwell;

namespace {

// A catalogue command without the double quotes it is written in.
QString unquotedCommand(const char *quoted)
{
    const QString command = QString::fromLatin1(quoted);
    return command.mid(1, command.size() - 2);
}

} // namespace

void TfrmBrackwell::wireKeyBinding()
{
    for (const KeySlot &slot : keySlots()) {
        auto *button = findChild<QPushButton *>(slot.button);
        Q_ASSERT_X(button, "TfrmBrackwell", qPrintable(slot.button));
        const int number = slot.number;
        on(button, &QPushButton::clicked, [this, number] { btnSelectKeyClick(number); });
    }
    // By choice or by typing; only the selected index counts, and typing moves it.
    on(m_ui->CBTypeOfBind, &QComboBox::currentIndexChanged, &TfrmBrackwell::CBTypeOfBindChange);
    on(m_ui->CBTypeOfBind->lineEdit(), &QLineEdit::textEdited, &TfrmBrackwell::CBTypeOfBindTextEdited);
    on(m_ui->btnAddBind, &QPushButton::clicked, &TfrmBrackwell::btnAddBindClick);
    on(m_ui->btnAddCustom, &QPushButton::clicked, &TfrmBrackwell::btnAddCustomClick);

    // Ticked by the player (not by an open or New Config): a key the file binds is asked about;
    // "pick another key" unticks and shows the picker for the box.
    const auto askOnTick = [this](const KeyedWidgets &keyed, int slot) {
        connect(keyed.check, &QCheckBox::clicked, this, [this, keyed, slot](bool ticked) {
            guarded([&] {
                if (!ticked || mayBindKey(this, slot, keyed.key->text()))
                    return;
                keyed.check->setChecked(false);
                btnSelectKeyClick(slot);
            });
        });
    };
    for (std::size_t i = 0; i < m_scripts.size(); ++i)
        askOnTick(m_scripts[i], scriptBlocks[i].keySlot);
    for (std::size_t i = 0; i < m_classes.size(); ++i)
        askOnTick(m_classes[i], classBinds[i].keySlot);
}

QHash<QString, BoundKey> TfrmBrackwell::fileBoundKeys() const
{
    return m_documents->document() ? boundKeys(outputText()) : QHash<QString, BoundKey>();
}

bool TfrmBrackwell::mayBindKey(QWidget *parent, int slot, const QString &key)
{
    // What the slot's bind runs, and its name in the question; a free bind may run anything.
    // A script by its check box's words before " - " ("Clock Script"), a class bind by what it
    // echoes ("Medic - SMG").
    QString command, name;
    for (std::size_t i = 0; i < m_scripts.size(); ++i) {
        if (scriptBlocks[i].keySlot == slot) {
            command = unquotedCommand(scriptBlocks[i].quotedCommand);
            name = m_scripts[i].check->text().remove(u'&').section(QStringLiteral(" - "), 0, 0);
        }
    }
    for (const ClassBind &bind : classBinds) {
        if (bind.keySlot == slot) {
            command = unquotedCommand(bind.quotedCommand);
            name = command.section(QStringLiteral("echo "), 1).chopped(1);
        }
    }
    const std::optional<BoundKey> replaced = replacedBind(fileBoundKeys(), key, command);
    return !replaced || m_desktop.askQuestion(parent, replaceBindQuestion(key, *replaced, name));
}

void TfrmBrackwell::btnSelectKeyClick(int slot)
{
    if (!m_keyPicker)
        return;
    m_keyPicker->showPicker();
    m_keyPicker->setKeySlot(slot);
}

void TfrmBrackwell::CBTypeOfBindTextEdited()
{
    // Typed text selects the entry it spells exactly; any other text selects none, so nothing
    // that was chosen before still counts. The text stays as typed either way.
    QComboBox *list = m_ui->CBTypeOfBind;
    QLineEdit *field = list->lineEdit();
    const int entry = list->findText(field->text(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry == list->currentIndex())
        return;
    const QString typed = field->text();
    const int caret = field->cursorPosition();
    list->setCurrentIndex(entry);
    if (field->text() != typed) {
        // Selecting no entry empties the field; the user's text goes back, caret and all.
        const QSignalBlocker quiet(field);
        field->setText(typed);
        field->setCursorPosition(caret);
    }
}

void TfrmBrackwell::CBTypeOfBindChange()
{
    const int index = m_ui->CBTypeOfBind->currentIndex();
    if (index < 0 || index > 2)
        return;
    const auto type = BindType(index);
    const bool chat = bindTypeUsesChat(type);
    const bool voice = bindTypeUsesVoice(type);
    m_ui->lblKeyToBind->setEnabled(true);
    m_ui->edtKeyToBind->setEnabled(true);
    m_ui->btnAddBind->setEnabled(true);
    m_ui->lblEnterBind->setEnabled(chat);
    m_ui->edtBindInput->setEnabled(chat);
    m_ui->lblVsayInput->setEnabled(voice);
    m_ui->CBVSayInput->setEnabled(voice);
    // Some servers refuse binds that both say and vsay.
    const bool warn = chat && voice;
    m_ui->lblAttention1->setVisible(warn);
    m_ui->lblAttention2->setVisible(warn);
    m_ui->lblAttention3->setVisible(warn);
}

void TfrmBrackwell::btnAddBindClick()
{
    const AddResult result = freeBindLine(m_ui->CBTypeOfBind->currentIndex(),
                                          {m_ui->edtKeyToBind->text(), m_ui->edtBindInput->text(),
                                           m_ui->CBVSayInput->currentText()});
    switch (result.status) {
    case AddResult::Ignored:
        return;
    case AddResult::Insufficient:
        m_desktop.showMessage(this, QString::fromLatin1(insufficientDataMessage));
        return;
    case AddResult::Refused:
        m_desktop.showMessage(this, result.message);
        return;
    case AddResult::Added:
        break;
    }
    appendOutputLine(result.line);
    for (BindInput input : result.clearOrder) {
        switch (input) {
        case BindInput::Key: m_ui->edtKeyToBind->clear(); break;
        case BindInput::Chat: m_ui->edtBindInput->clear(); break;
        case BindInput::Voice: m_ui->CBVSayInput->setEditText(QString()); break;
        }
    }
}

void TfrmBrackwell::btnAddCustomClick()
{
    const QString line = customVariableLine(m_ui->edtCustomInput->text(), m_ui->edtValue->text());
    if (line.isEmpty()) {
        m_desktop.showMessage(this, QString::fromLatin1(insufficientDataMessage));
        return;
    }
    if (const QString refusal = customVariableRefusal(m_ui->edtCustomInput->text(), m_ui->edtValue->text()); !refusal.isEmpty()) {
        m_desktop.showMessage(this, refusal);
        return;
    }
    appendOutputLine(line);
    m_ui->edtCustomInput->clear();
    m_ui->edtValue->clear();
}

void TfrmBrackwell::appendOutputLine(const QString &line)
{
    QPlainTextEdit *output = m_ui->memoOutput;
    // Insert at the end rather than replace the text: the user's place and undo history stay.
    QTextCursor cursor(output->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(textToAppend(outputText(), line));
}
