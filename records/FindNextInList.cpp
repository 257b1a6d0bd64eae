#include "records/FindNextInList.h"

#include "lists/ListModel.h"
#include "platform/ProgramState.h"
#include "platform/Prompt.h"

int FindNextInList(ListModel &list, const QString &text, bool wholeWords, bool matchCase,
                   FindDirection direction, Prompt &prompt)
{
    const QString wanted = matchCase ? text : text.toUpper();
    const int rows = list.count();
    if (rows == 0)
        return 0;
    const int current = list.currentRow();
    int first = 0;
    int step = 1;
    if (direction == FindDirection::Down) {
        first = current + 1;
    } else {
        if (current == 0)
            return 0;
        first = current < 0 ? rows - 1 : current - 1;
        step = -1;
    }
    const int columns = list.columnCount();
    for (int row = first; row >= 0 && row < rows; row += step) {
        for (int column = 0; column < columns; ++column) {
            const QString cell = matchCase ? list.text(row, column) : list.text(row, column).toUpper();
            if (wholeWords ? cell == wanted : cell.contains(wanted)) {
                list.setCurrentRow(row);
                return row + 1;
            }
        }
    }
    prompt.notice(QString::fromUtf8(FindEndText));
    return 0;
}

bool StartFind(ListModel &list, qint16 findTarget, ProgramState &state)
{
    if (list.count() == 0)
        return false;
    list.setCurrentRow(-1);
    state.FindTarget = findTarget;
    return true;
}
