// The program's name as its windows and messages show it.
#pragma once

inline constexpr const char* kProductName = "NIVRA";
