#pragma once

#include <QString>

namespace brackwell {

struct ConfigRead;

// What the user is told after an open: a few sentences, and details that put first the lines the
// game may read otherwise than the window, then how many lines of each kind stay as they are, then
// those lines. Empty when the window holds the whole file.
struct OpenReport {
    QString text;
    QString details;
};
OpenReport openReport(const ConfigRead &read);

} // namespace brackwell
