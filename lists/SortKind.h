#pragma once

#include <QString>

// The comparison used when a list is sorted by one of its columns. The values
// are those the lists have always used; any other value compares as Text.
enum class SortKind {
    Date = 0,
    Number = 1,
    ExactText = 2,
    Text = 3,
    Address = 4,
};

// Compares two cell texts in ascending order: negative, zero or positive.
// A text that does not convert (a date or a number that is none) leaves the
// two cells equal.
int CompareListItems(const QString &a, const QString &b, SortKind kind);
