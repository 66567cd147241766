#pragma once
#include <string>

// The rules on product codes. A code proper is two two-digit halves: "0000" is an empty worker,
// "0300" a single product that can still be joined, "0301" a finished combination. "" is
// nothing; "wash" (the brush) and "super" are carried as they are and never join.

// Both non-empty, the same length, different, and both single (characters 3-4 are "00").
bool CanJoinProducts(const std::string& a, const std::string& b);
// The two first halves, larger first; an empty side gives the other.
std::string JoinProducts(const std::string& a, const std::string& b);
// Some visitor in the café waits (state 1) and takes the code.
bool IsProductWanted(const std::string& code);
