#pragma once

#include <string>

// Appends `value` as printf's "%<width>.<precision>f" would in the C locale: fixed-point, a point as
// decimal separator, right-aligned with blanks. Independent of the process's locale.
void AppendFixedDecimal(std::string& out, double value, int width, int precision);
