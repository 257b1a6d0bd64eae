#pragma once

#include <QString>

class ListModel;
class Prompt;

// The destination the message and shutdown dialogs propose when they open:
// the address of the scan list's current row. A "Non-Responded IP" row is
// proposed too, after a notice that says so. An empty list, or one with no
// current row, proposes nothing.
QString proposedTarget(const ListModel &scanList, Prompt &prompt);
