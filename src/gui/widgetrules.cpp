#include "gui/widgetrules.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>


namespace brackwell {

void keepTypedText(QWidget *root)
{
    const QList<QComboBox *> lists = root->findChildren<QComboBox *>();
    for (QComboBox *list : lists) {
        if (!list->isEditable())
            continue;
        // Qt's default completer finishes "5" as "50" and "white" as "White", and the completion
        // stays when focus leaves the list.
        list->setCompleter(nullptr);
        list->setInsertPolicy(QComboBox::NoInsert);
    }
}

void pressButtonsOnEnter(QWidget *root)
{
    // Outside a dialog Qt's push buttons take only Space; an auto-default button also takes Enter.
    const QList<QPushButton *> buttons = root->findChildren<QPushButton *>();
    for (QPushButton *button : buttons)
        button->setAutoDefault(true);
}

} // namespace brackwell
