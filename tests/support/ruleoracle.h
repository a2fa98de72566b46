#pragma once

#include <QByteArray>

#include <optional>

namespace brackwell::testing {

// One frame of ET: Legacy's own client check of one server rule (mode as the game numbers it) on a
// variable holding `current`: what it sets the variable to, or nothing.
std::optional<QByteArray> gameRuleFrame(int mode, const QByteArray &value1, const QByteArray &value2,
                                        const QByteArray &current);

} // namespace brackwell::testing
