#pragma once

class TfrmBrackwell;
class TForm3;

// The keyboard's short ways through the two windows, beside the Tab orders the windows keep:
// arrow keys and typing on the key picker, a keyed row's check box, key box and Select Key button
// side by side, Enter from field to field of a free bind, Ctrl+Tab from the description bar.

namespace brackwell {

void wireMainWindowPaths(TfrmBrackwell &window);
void wirePickerPaths(TForm3 &picker);

} // namespace brackwell
