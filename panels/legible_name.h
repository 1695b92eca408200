// How a name the file functions give is drawn in the bitmap fonts.
#pragma once

#include <string>
#include <string_view>

// A name with its escapes drawable: the fonts have no "%" or "~", so a run
// of "%XX" escapes (the bytes of a character outside CP932) is drawn as its
// hex digits in parentheses, "F%C3%BCR" as "F(C3BC)R", and the "%~" that
// marks a shortened name as "-". Everything else is kept byte for byte;
// only the drawing changes, the name itself is still what opens the entry.
std::string LegibleName(std::string_view name);
