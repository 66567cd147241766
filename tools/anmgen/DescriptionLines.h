#pragma once
// The line reader the text descriptions of the generators share: one command a line, words
// separated by blanks, blank lines and lines starting "#" skipped.
#include <functional>
#include <sstream>
#include <string>

// Calls `command` with each line's first word, a stream of the rest and the line's number (from
// 1). It answers an empty
// string, or the reason the line is wrong; the first reason ends the reading with false and
// "line N: reason" in `error`.
inline bool ReadDescriptionLines(const std::string& text,
                                 const std::function<std::string(const std::string& word, std::istringstream& words, int line)>& command,
                                 std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') continue;
    const std::string why = command(word, words, lineNumber);
    if (!why.empty()) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    }
  }
  return true;
}
