#pragma once
#include <string>

// Narrow strings are UTF-8 throughout; wide strings hold one code point per wchar_t. These are
// the only conversions between the two.
std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);

// A four-digit text made of two two-digit halves whose second half is not "00" comes back with
// its halves ordered larger first (smallerFirst false) or smaller first (true); any other text
// is returned unchanged.
std::string NormalizePairKey(const std::string& key, bool smallerFirst);

// Index of the first case-insensitive occurrence of pattern in text, or -1 (also for an empty
// text).
int FindNoCase(const std::string& text, const std::string& pattern);

// The text without leading and trailing blanks (spaces, tabs, line ends).
std::string TrimSpaces(const std::string& s);

std::string ToLowerAscii(std::string s);

// Path helpers. Names in data use "\\" or "/" and any case.
// Backslashes become slashes, repeated slashes and "./" parts go.
std::string NormalizeSlashes(const std::string& path);
// The normalised name in lower case: the key under which pack entries are found.
std::string PathKey(const std::string& path);
// The existing disk path that matches the name case-insensitively, component by component;
// the normalised name itself when nothing matches.
std::string ResolvePathNoCase(const std::string& path);
