#pragma once

#include <QStringView>

#include <optional>

namespace brackwell {

// Converts the text of a metered setting to a number, the same way whatever the user's locale:
// the game reads a full stop as the decimal separator, so a comma never is one here.
// Accepted: optional blanks (space or tab) around the number, an optional sign, digits with an
// optional fractional part after a full stop (".5" and "5." too), and an optional exponent
// ("1e3", "2.5E-2"). Everything else is not a number: the empty text, thousands separators,
// commas, "inf", "nan", hexadecimal, and values beyond the range of a double.
std::optional<double> parseNumber(QStringView text);

} // namespace brackwell
