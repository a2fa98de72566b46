#include "script/slottable.h"

#include "script/catalogue.h"

namespace brackwell {

namespace {

std::array<KeySlot, KeySlotCount> buildSlots()
{
    std::array<KeySlot, KeySlotCount> table;
    auto put = [&table](int number, const char *edit) {
        table[std::size_t(number - 1)] = {number, QStringLiteral("btnS%1").arg(number), QString::fromLatin1(edit)};
    };
    for (const ScriptBlock &block : scriptBlocks)
        put(block.keySlot, block.keyEdit);
    for (const ClassBind &bind : classBinds)
        put(bind.keySlot, bind.keyEdit);
    put(17, "edtKeyToBind");
    return table;
}

} // namespace

const std::array<KeySlot, KeySlotCount> &keySlots()
{
    static const std::array<KeySlot, KeySlotCount> table = buildSlots();
    return table;
}

const KeySlot *findKeySlot(int number)
{
    if (number < 1 || number > KeySlotCount)
        return nullptr;
    return &keySlots()[std::size_t(number - 1)];
}

const KeySlot *keySlotOfEdit(QStringView edit)
{
    for (const KeySlot &slot : keySlots()) {
        if (slot.edit == edit)
            return &slot;
    }
    return nullptr;
}

} // namespace brackwell
