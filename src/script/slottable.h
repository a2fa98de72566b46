#pragma once

#include <QString>

#include <array>

// The seventeen key slots: each "Select Key" button on the main window and the edit box that the
// key picker's OK fills while that button's slot is the current one.

namespace brackwell {

struct KeySlot {
    int number = 0; // 1 to 17
    QString button; // the "Select Key" button
    QString edit;   // the box the picked key name goes into
};

constexpr int KeySlotCount = 17;

// Slot 1 first. Slots 1 to 16 are the keys of the script blocks and class binds; 17 is the key of
// a free bind.
const std::array<KeySlot, KeySlotCount> &keySlots();

// The slot with this number, or null when there is none (no Select Key pressed yet).
const KeySlot *findKeySlot(int number);

// The slot whose key goes into this edit box, or null for a box that is no slot's.
const KeySlot *keySlotOfEdit(QStringView edit);

} // namespace brackwell
