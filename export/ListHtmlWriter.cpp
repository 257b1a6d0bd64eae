#include "export/ListHtmlWriter.h"

#include "export/ExportFile.h"
#include "lists/ListModel.h"

namespace ListHtmlWriter {

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

} // namespace

QByteArray format(const ListModel &list, const Style &s)
{
    const int columns = list.columnCount();
    const QString title = escaped(s.title);
    QString page;
    const auto line = [&page](const QString &text) { page += text + QLatin1String("\r\n"); };
    line(QStringLiteral("<HTML><HEAD><TITLE>%1</TITLE></HEAD>").arg(title));
    line(QStringLiteral("<META NAME=\"GENERATEDBY\" CONTENT=\"Netkestrel\">"));
    line(QStringLiteral("<META NAME=\"GENERATEDINFO\" CONTENT=\"Netkestrel list export\">"));
    line(QStringLiteral("<BODY BGCOLOR= \"%1\" Text = \"%2\">").arg(s.pageColour, s.textColour));
    line(QStringLiteral("<TABLE BORDER= \"%1\" CellPadding = \"%2\" CellSpacing = \"%3\" BODERCOLOR = %4 "
                        "BGCOLOR = \"%5\" Width = \"100%\">")
             .arg(QString::number(s.border), QString::number(s.cellPadding), QString::number(s.cellSpacing),
                  s.borderColour, s.tableColour));
    line(QStringLiteral("<TR><TD WIDTH=\"100%\" COLSPAN=\"%1\" BGCOLOR=\"%2\">")
             .arg(QString::number(columns + 1), s.titleBarColour));
    line(QStringLiteral("<FONT COLOR = \"%1\"FACE=%2 SIZE=\"%3\"><B>%4</B></FONT></TD></TR>")
             .arg(s.titleTextColour, s.titleFont, QString::number(s.titleSize), title));
    line({});
    line(QStringLiteral("<!-- Database Headers are are listed below -->"));
    line({});
    line(QStringLiteral("     <TR>"));
    for (int column = 1; column < columns; ++column) {
        line(QStringLiteral("          <TD BGCOLOR=%1><B>").arg(s.headerCellColour));
        line(QStringLiteral("          <FONT COLOR=\"%1\" FACE=\"%2\" SIZE=\"%3\">%4</FONT></B></TD>")
                 .arg(s.headerTextColour, s.headerFont, QString::number(s.headerSize),
                      escaped(list.headerData(column, Qt::Horizontal).toString())));
    }
    line(QStringLiteral("     </TR>"));
    line({});
    line(QStringLiteral("<!-- Database Records are are listed below -->"));
    line({});
    for (int row = 0; row < list.count(); ++row) {
        line(QStringLiteral("  <TR>"));
        for (int column = 1; column < columns; ++column)
            line(QLatin1String("    <TD>") + escaped(list.text(row, column)) + QLatin1String("</TD>"));
        line(QStringLiteral("  </TR>"));
    }
    line(QStringLiteral("</TABLE></BODY></HTML>"));
    return page.toUtf8();
}

Result<> write(const ListModel &list, const QString &path, const Style &style)
{
    return ExportFile::replace(path, format(list, style));
}

} // namespace ListHtmlWriter
