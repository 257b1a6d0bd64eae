#include "lists/RowNumberText.h"

#include <QStringList>

namespace {

constexpr qsizetype ShownNumbers = 5;

} // namespace

QString rowNumberText(const QList<int> &numbers)
{
    QStringList shown;
    for (qsizetype k = 0; k < numbers.size() && k < ShownNumbers; ++k)
        shown.append(QString::number(numbers.at(k)));
    QString text = (numbers.size() == 1 ? QStringLiteral("row ") : QStringLiteral("rows ")) +
                   shown.join(QStringLiteral(", "));
    if (numbers.size() > ShownNumbers)
        text += QStringLiteral(" and %1 more").arg(numbers.size() - ShownNumbers);
    return text;
}
