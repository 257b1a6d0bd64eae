#pragma once

#include <QString>

class ListModel;
class Prompt;
struct ProgramState;

enum class FindDirection { Down, Up };

// The end message of a search that found nothing more in its direction.
inline constexpr const char *FindEndText = "已搜索指定区域!";

// Searches the list from the row next to the current row towards its end
// (Down) or its start (Up), in every column including hidden ones, and makes
// the first matching row current. A cell matches when it equals the text
// (wholeWords) or contains it; letter case counts only with matchCase.
// Returns the 1-based index of the row found, or 0: then the end message was
// shown (not when Up starts on the first row) and the current row stays.
// With no current row, Down starts at the first row and Up at the last.
int FindNextInList(ListModel &list, const QString &text, bool wholeWords, bool matchCase,
                   FindDirection direction, Prompt &prompt);

// The Find commands: with an empty list they do nothing and return false;
// otherwise they set FindTarget and put the search position before the first
// row, so that the first search downward examines the first row too.
bool StartFind(ListModel &list, qint16 findTarget, ProgramState &state);
