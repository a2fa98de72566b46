#pragma once

class TfrmBrackwell;
class TForm3;

// What a screen reader and a keyboard alone need of the two windows: names for every control,
// the setting rows' descriptions and switch states, and keys for what is otherwise done with the
// mouse. Each window calls its function once it has built its controls. Nothing here is heavy:
// Qt builds the accessibility objects only when an assistive technology asks for them.

namespace brackwell {

// The screen reader's view of the click labels; once per process, before the first window.
void installAccessibleInterfaces();

void makeMainWindowAccessible(TfrmBrackwell &window);
void makeKeyPickerAccessible(TForm3 &picker);

} // namespace brackwell
