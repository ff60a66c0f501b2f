#pragma once
// Cutting a reply line into its name and fields. Positions are 1-based byte positions.
#include <cstdint>
#include <string>
#include <string_view>

namespace kd {

// The reply name: text before the first space, else before the first CR, else "".
// A name starting with "@LOAD" becomes exactly "@LOAD".
std::string ExtractCommand(std::string_view b);

// The field that begins at startPos of the line (its final character, the CR, removed and
// a comma appended). parmNo only counts repetitions of the same search (it never moves it).
// On a non-empty field startPos advances to the first character of the next field.
std::string ExtractParm(std::string_view b, int16_t& startPos, int16_t parmNo);

// 1 when every character is a decimal digit (the empty text included), else 0.
int16_t Numcheck(std::string_view x);

}  // namespace kd
