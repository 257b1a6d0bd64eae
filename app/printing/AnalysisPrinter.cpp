#include "app/printing/AnalysisPrinter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include "lists/AnalysisListModel.h"

namespace {

// Share of the text width given to the "Date/Time" column.
constexpr qreal DateTimeShare = 0.22;
constexpr qreal CellPadding = 0.4; // in line heights

class PageWriter
{
public:
    PageWriter(QPainter &painter, QPrinter &printer, const QRectF &page)
        : m_painter(painter), m_printer(printer), m_page(page)
    {
        QFont body = m_painter.font();
        body.setPointSizeF(9);
        m_body = body;
        m_title = body;
        m_title.setPointSizeF(14);
        m_title.setBold(true);
        m_header = body;
        m_header.setBold(true);
        m_lineHeight = QFontMetricsF(m_body, m_painter.device()).height();
        const qreal split = m_page.width() * DateTimeShare;
        m_dateColumn = QRectF(m_page.left(), 0, split - m_lineHeight, 0);
        m_resultColumn = QRectF(m_page.left() + split, 0, m_page.width() - split, 0);
    }

    void startPage()
    {
        ++m_pageNumber;
        if (m_pageNumber > 1)
            m_printer.newPage();
        m_painter.setFont(m_title);
        const qreal titleHeight = QFontMetricsF(m_title, m_painter.device()).height();
        m_painter.drawText(QRectF(m_page.left(), m_page.top(), m_page.width(), titleHeight),
                           Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(AnalysisPrinter::Title));
        m_y = m_page.top() + titleHeight * 1.6;
        m_painter.setFont(m_header);
        drawRow(QStringLiteral("Date/Time"), QStringLiteral("Result"), m_lineHeight);
        m_painter.drawLine(QPointF(m_page.left(), m_y), QPointF(m_page.right(), m_y));
        m_y += m_lineHeight * CellPadding;
        m_painter.setFont(m_body);
        drawFooter();
    }

    void addRow(const QString &dateTime, const QString &result)
    {
        const qreal height =
            qMax(textHeight(m_dateColumn.width(), dateTime), textHeight(m_resultColumn.width(), result));
        if (m_y + height > bodyBottom())
            startPage();
        drawRow(dateTime, result, height);
        m_y += m_lineHeight * CellPadding;
    }

private:
    qreal bodyBottom() const { return m_page.bottom() - m_lineHeight * 2; }

    qreal textHeight(qreal width, const QString &text) const
    {
        const QFontMetricsF metrics(m_body, m_painter.device());
        return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap | Qt::TextWrapAnywhere, text)
            .height();
    }

    void drawRow(const QString &left, const QString &right, qreal height)
    {
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere;
        m_painter.drawText(QRectF(m_dateColumn.left(), m_y, m_dateColumn.width(), height), flags, left);
        m_painter.drawText(QRectF(m_resultColumn.left(), m_y, m_resultColumn.width(), height), flags, right);
        m_y += height;
    }

    void drawFooter()
    {
        m_painter.drawText(
            QRectF(m_page.left(), m_page.bottom() - m_lineHeight, m_page.width(), m_lineHeight),
            Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Page %1").arg(m_pageNumber));
    }

    QPainter &m_painter;
    QPrinter &m_printer;
    QRectF m_page;
    QFont m_body;
    QFont m_title;
    QFont m_header;
    qreal m_lineHeight = 0;
    QRectF m_dateColumn;
    QRectF m_resultColumn;
    qreal m_y = 0;
    int m_pageNumber = 0;
};

} // namespace

Result<> AnalysisPrinter::print(QPrinter &printer) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return Failure{QStringLiteral("The printer cannot be started.")};
    PageWriter writer(painter, printer,
                      printer.pageRect(QPrinter::DevicePixel)
                          .translated(-printer.pageRect(QPrinter::DevicePixel).topLeft()));
    writer.startPage();
    for (int row = 0; row < m_list.count(); ++row) {
        const AnalysisEntry entry = m_list.entry(row);
        writer.addRow(entry.dateTime, entry.result);
    }
    painter.end();
    return {};
}
